#pragma once
// The sound system as the program sees it: the one object that makes every stream the program
// plays through. The window and the command line ask MakeSystemSoundBackend() for it and never
// name the sound server's client library; tests hand in fakes of the streams instead.

#include <memory>
#include <string>

#include "platform/sound_output.h"
#include "platform/tone_output.h"

namespace tornel::platform {

class SoundBackend {
  public:
    virtual ~SoundBackend() = default;
    // The playback of a whole file (the send).
    virtual std::unique_ptr<SoundOutput> MakeSoundOutput() = 0;
    // The beep of the trainer, kept ready so that a beep starts when it is asked for.
    virtual std::unique_ptr<ToneOutput> MakeToneOutput() = 0;
};

// The backend of this system. `applicationName` is how the program appears in the desktop's
// sound mixer. Making it costs nothing: the server is contacted by the streams it makes, which
// may outlive the backend.
std::unique_ptr<SoundBackend> MakeSystemSoundBackend(const std::string& applicationName);

}  // namespace tornel::platform
