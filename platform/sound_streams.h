#pragma once
// What a sound backend supplies: raw streams and the device lists, nothing more. Everything the
// program does with them (the WAV file, the level, the check tone, the progress, the playback in
// the background, the wait until the last sample is heard, the deadlines of the whole) is done
// once above them (sound_backend.cpp, sound_playback.cpp). A backend implements SoundStreams and
// the two stream classes; the input stream is SoundInput (sound_input.h).

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/sound_input.h"

namespace tornel::platform {

using SteadyTime = std::chrono::steady_clock::time_point;

// A stream or the server failed. The text is Russian, for the operator.
class SoundError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The named device does not exist (or went away): nothing was played on another one.
class DeviceMissing : public SoundError {
  public:
    using SoundError::SoundError;
};

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

struct OutputRequest {
    std::string device;     // the server's name of the output; empty: the default output
    std::string mediaName;  // how the desktop's mixer names the stream
    int rate = 0;           // samples per second; 0: the output's own rate
    int channels = 1;       // interleaved 16-bit samples
    // A beep: heard within a few milliseconds, opened paused, and Write takes a whole beep at
    // once so that it sounds without a gap. Otherwise the server's own large buffer, safe
    // against a caller that is late now and then; playback starts once it is full.
    bool beep = false;
};

// A playback stream. Every call returns by its deadline (or within a second of the server going
// silent) and throws SoundError when the stream or the server fails.
class OutputStream {
  public:
    virtual ~OutputStream() = default;
    virtual int rate() const = 0;
    // The server's name of the output the stream plays on.
    virtual std::string device() const = 0;
    // Hands over as many of `samples` (whole frames) as the output takes, waiting until `until`
    // for room; returns how many it took, 0 when no room came by then.
    virtual std::size_t Write(std::span<const std::int16_t> samples, SteadyTime until) = 0;
    // Seconds of sound played at the sound card so far, as the server counts them.
    virtual double PlayedSeconds() = 0;
    // Returns once the output has taken everything written, which it may still hold for its
    // latency before the sound card plays it.
    virtual void Drain(SteadyTime deadline) = 0;
    // A paused stream takes no part in the mixing, so the output may suspend; what is written
    // meanwhile waits.
    virtual void SetPaused(bool paused, SteadyTime deadline) = 0;
};

class SoundStreams {
  public:
    virtual ~SoundStreams() = default;
    // Throws DeviceMissing for a named output that does not exist, SoundError when the server
    // cannot be reached within a second. A stream on a named output never moves to another.
    virtual std::unique_ptr<OutputStream> OpenOutput(const OutputRequest& request) = 0;
    // Recording from `device` (the default input when empty); throws like OpenOutput.
    virtual std::unique_ptr<SoundInput> OpenInput(const std::string& device) = 0;
    // The devices as they are now; returns within a second even with no server.
    virtual SoundDevices ListDevices() = 0;
    virtual std::unique_ptr<DeviceWatch> WatchDevices() = 0;
};

}  // namespace tornel::platform
