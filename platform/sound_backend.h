#pragma once
// The sound system as the program sees it: the one object that makes every stream the program
// plays through and lists the devices it can play on. The window and the command line ask
// MakeSystemSoundBackend() for it and never name the sound server's client library; tests hand
// in fakes of the streams instead. It is built (sound_backend.cpp, sound_playback.cpp) on the
// raw streams of one backend (sound_streams.h).

#include <memory>
#include <string>

#include "platform/sound_output.h"
#include "platform/sound_streams.h"
#include "platform/tone_output.h"

namespace tornel::platform {

// Sound that plays on while the caller goes on with other things (the check tone of the sound
// setup). Destroying it stops the sound at once.
class BackgroundPlayback {
  public:
    virtual ~BackgroundPlayback() = default;
    // Keeps the playback going without waiting; false once it has played to its end or failed.
    virtual bool Pump() = 0;
    // How it went so far: `played` once it has played to its end.
    virtual const PlayResult& result() const = 0;
};

class SoundBackend {
  public:
    virtual ~SoundBackend() = default;
    // The playback of a whole file (the send).
    virtual std::unique_ptr<SoundOutput> MakeSoundOutput() = 0;
    // The beep of the trainer on the default output, kept ready so that a beep starts when it
    // is asked for.
    virtual std::unique_ptr<ToneOutput> MakeToneOutput() = 0;
    // Recording from `device` (the default input when empty), for listening to the signal.
    // Throws std::runtime_error (Russian text) when the input cannot be opened.
    virtual std::unique_ptr<SoundInput> MakeSoundInput(const std::string& device) = 0;
    // The devices as they are now; returns within a second even with no server.
    virtual SoundDevices ListDevices() = 0;
    virtual std::unique_ptr<DeviceWatch> WatchDevices() = 0;
    // Starts the check tone of the sound setup on `target` and returns at once: the signal's
    // lead-in tone at the signal's amplitude and rate, for kCheckToneSeconds.
    virtual std::unique_ptr<BackgroundPlayback> StartCheckTone(const PlaybackTarget& target) = 0;
};

// The backend on the raw streams of `streams`.
std::unique_ptr<SoundBackend> MakeSoundBackend(std::shared_ptr<SoundStreams> streams);

// The backend of this system. `applicationName` is how the program appears in the desktop's
// sound mixer. Making it costs nothing: the server is contacted by the streams it makes, which
// may outlive the backend.
std::unique_ptr<SoundBackend> MakeSystemSoundBackend(const std::string& applicationName);

}  // namespace tornel::platform
