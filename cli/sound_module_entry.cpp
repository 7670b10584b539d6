// The sound module of tornel4-cli (tornel4-sound.so): it hands out the system's sound backend.
// Only the commands that need the sound server (send, devices, listen) load it, so that its client
// library and their many dependencies cost the other commands no start-up time.

#include "cli/sound_module.h"

extern "C" __attribute__((visibility("default"))) tornel::platform::SoundBackend*
tornel4_make_sound_backend(const char* applicationName) {
    return tornel::platform::MakeSystemSoundBackend(applicationName).release();
}
