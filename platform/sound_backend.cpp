// The one place that chooses the sound backend of this system. On Linux that is PulseAudio's
// client library, which also serves PipeWire desktops (through pipewire-pulse).

#include "platform/sound_backend.h"

#include "platform/pulse_backend.h"

namespace tornel::platform {

std::unique_ptr<SoundBackend> MakeSystemSoundBackend(const std::string& applicationName) {
    return MakeSoundBackend(pulse::MakeStreams(applicationName));
}

}  // namespace tornel::platform
