#pragma once
// Connections and playback streams to the PulseAudio server, driven by a main loop of our own
// with deadlines. Every wait on the server has a limit, so that an absent or stuck server makes a
// call fail within the limit instead of hanging the caller. Used by the raw streams and the
// device lists of the PulseAudio backend.

#include <pulse/pulseaudio.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>

#include "platform/sound_streams.h"

namespace tornel::platform::pulse {

using SteadyClock = std::chrono::steady_clock;

// A local server answers in a few milliseconds; one that does not connect and open a stream in
// this time is taken as stuck, and the operator hears of it well within a second.
inline constexpr auto kConnectLimit = std::chrono::milliseconds(600);

// The server could not be reached or stopped working; a named device missing is DeviceMissing.
using PulseError = SoundError;

// A request to the server; destroying it cancels a request still running.
struct OperationDeleter {
    void operator()(pa_operation* op) const;
};
using Operation = std::unique_ptr<pa_operation, OperationDeleter>;

// A playback or record stream; destroying it disconnects it from the server.
struct StreamDeleter {
    void operator()(pa_stream* s) const;
};
using Stream = std::unique_ptr<pa_stream, StreamDeleter>;

// One connection to the server, driven by a main loop of our own. Streams and device lists are
// made on it; every wait on the server goes through WaitFor and keeps its deadline.
class Connection {
  public:
    // Connects, never starting a server of its own. Throws PulseError when that is not done
    // before `deadline`.
    Connection(const std::string& applicationName, SteadyClock::time_point deadline);
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    pa_context* context() const { return context_.get(); }
    // False once the connection has failed.
    bool Usable() const;
    // The Russian reason of the last failure.
    std::string Reason() const;

    // Runs the main loop until `ready` returns true. `ready` throws once waiting can no longer
    // succeed; reaching `deadline` first throws `timeoutText`.
    void WaitFor(const std::function<bool()>& ready, SteadyClock::time_point deadline,
                 const char* timeoutText);
    // Handles whatever the server has sent, without waiting.
    void Poll();

    // How messages name the kind of stream: "вывода" and "вывод" for playback, "ввода" and "вход"
    // for recording.
    struct StreamWords {
        const char* device;  // "нет устройства <device> «name»"
        const char* stream;  // "не удалось открыть <stream> звука: ..."
    };
    // Waits until `stream`, connected to `device` (empty: the default one), is ready. Throws
    // DeviceMissing when a named device does not exist, PulseError when the stream fails or is not
    // ready before `deadline`.
    void WaitUntilReady(pa_stream* stream, const std::string& device, const StreamWords& words,
                        SteadyClock::time_point deadline);

  private:
    struct LoopDeleter {
        void operator()(pa_mainloop* m) const { pa_mainloop_free(m); }
    };
    struct ContextDeleter {
        void operator()(pa_context* c) const;
    };

    // Runs one round of the main loop, waiting at most until `deadline` (and at most 20 ms).
    void Iterate(SteadyClock::time_point deadline);

    std::unique_ptr<pa_mainloop, LoopDeleter> loop_;
    std::unique_ptr<pa_context, ContextDeleter> context_;
};

// A playback stream on a connection of its own.
class PlaybackStream : public OutputStream {
  public:
    // Connects and opens the stream; throws DeviceMissing when a named output does not exist,
    // PulseError when the stream is not open before `deadline`.
    PlaybackStream(const std::string& applicationName, const OutputRequest& request,
                   SteadyClock::time_point deadline);
    PlaybackStream(const PlaybackStream&) = delete;
    PlaybackStream& operator=(const PlaybackStream&) = delete;

    int rate() const override { return rate_; }
    std::string device() const override;
    std::size_t Write(std::span<const std::int16_t> samples,
                      SteadyClock::time_point until) override;
    // From the server's timing reports, asked for anew every round of the main loop; a report
    // that does not come within kConnectLimit means the server stopped answering.
    double PlayedSeconds() override;
    void Drain(SteadyClock::time_point deadline) override;
    void SetPaused(bool paused, SteadyClock::time_point deadline) override;

  private:
    void ThrowIfBroken() const;
    // Starts a stream operation (given the callback and its data) and waits for its answer.
    using StartOperation = std::function<pa_operation*(pa_stream_success_cb_t, void*)>;
    void AwaitOperation(const StartOperation& start, SteadyClock::time_point deadline);

    Connection connection_;  // first in, last out: the stream lives on it
    Stream stream_;
    Operation timing_;  // the timing report asked for last
    SteadyClock::time_point timingAsked_{};
    int rate_ = 0;
    int channels_ = 0;
    bool beep_ = false;  // takes whatever is written: the server holds more than its room
};

// The Russian reason for a libpulse error code.
std::string ReasonText(int paError);

}  // namespace tornel::platform::pulse
