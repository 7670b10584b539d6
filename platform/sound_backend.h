#pragma once
// The sound system as the program sees it: the one object that makes every stream the program
// plays through and lists the devices it can play on. The window and the command line ask
// MakeSystemSoundBackend() for it and never name the sound server's client library; tests hand
// in fakes of the streams instead.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/sound_input.h"
#include "platform/sound_output.h"
#include "platform/tone_output.h"

namespace tornel::platform {

// One device of the sound server.
struct SoundDevice {
    std::string name;         // the server's name: stable between runs, what settings keep
    std::string description;  // what the desktop shows the user
    bool isDefault = false;   // the server's default of its kind

    friend bool operator==(const SoundDevice&, const SoundDevice&) = default;
};

// The devices of the server, by kind.
struct SoundDevices {
    bool reachable = false;  // false: no server (or it did not answer); `error` says why
    std::string error;       // Russian, for the operator
    std::vector<SoundDevice> outputs;
    std::vector<SoundDevice> inputs;  // without the monitors of the outputs

    friend bool operator==(const SoundDevices&, const SoundDevices&) = default;
};

// The device lists, kept up to date while this object lives (a USB card plugged in or out).
class DeviceWatch {
  public:
    virtual ~DeviceWatch() = default;
    // Takes in what the server reported since the last call, without waiting for more; true
    // when the lists changed. While there is no server it tries again now and then.
    virtual bool Poll() = 0;
    virtual const SoundDevices& devices() const = 0;
};

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
    // Starts playing 16-bit mono `samples` at `rate` on `target` and returns at once.
    virtual std::unique_ptr<BackgroundPlayback> StartPlayback(std::vector<std::int16_t> samples,
                                                              int rate,
                                                              const PlaybackTarget& target) = 0;
};

// The backend of this system. `applicationName` is how the program appears in the desktop's
// sound mixer. Making it costs nothing: the server is contacted by the streams it makes, which
// may outlive the backend.
std::unique_ptr<SoundBackend> MakeSystemSoundBackend(const std::string& applicationName);

}  // namespace tornel::platform
