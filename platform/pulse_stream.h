#pragma once
// Connections and playback streams to the PulseAudio server, driven by a main loop of our own
// with deadlines. Every wait on the server has a limit, so that an absent or stuck server makes a
// call fail within the limit instead of hanging the caller. Used by the file playback, the tone
// output, the background playback and the device lists.

#include <pulse/pulseaudio.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>

namespace tornel::platform::pulse {

using Clock = std::chrono::steady_clock;

// A local server answers in a few milliseconds; one that does not connect and open a stream in
// this time is taken as stuck, and the operator hears of it well within a second.
inline constexpr auto kConnectLimit = std::chrono::milliseconds(600);

// The server could not be reached or stopped working. The text is Russian, for the operator.
class PulseError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

struct StreamSettings {
    std::string applicationName;
    std::string mediaName;
    std::string device;  // the server's name of the output; empty: the default output
    int rate = 16000;    // ignored with useSinkRate: the output device's rate is taken
    int channels = 1;
    bool useSinkRate = false;
    // 0: the server's default buffering (large, safe against underruns). Otherwise the target
    // latency in milliseconds, asked of the whole path so that new samples are heard soon.
    int targetLatencyMs = 0;
    // With the default buffering: playback starts once this much is buffered instead of when the
    // whole (large) buffer is full, so that the first sample is not held back. 0: server default.
    int startAfterMs = 0;
    // Opened paused (see PlaybackStream::SetCorked).
    bool startCorked = false;
};

// A request to the server; destroying it cancels a request still running.
struct OperationDeleter {
    void operator()(pa_operation* op) const;
};
using Operation = std::unique_ptr<pa_operation, OperationDeleter>;

// Called now and then while a call waits on the server.
using Tick = std::function<void()>;

// The named output device does not exist (or went away): nothing was played on another one.
class DeviceMissing : public PulseError {
  public:
    using PulseError::PulseError;
};

// One connection to the server, driven by a main loop of our own. Streams and device lists are
// made on it; every wait on the server goes through WaitFor and keeps its deadline.
class Connection {
  public:
    // Connects, never starting a server of its own. Throws PulseError when that is not done
    // before `deadline`.
    Connection(const std::string& applicationName, Clock::time_point deadline);
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    pa_context* context() const { return context_.get(); }
    // False once the connection has failed.
    bool Usable() const;
    // The Russian reason of the last failure.
    std::string Reason() const;

    // Runs the main loop until `ready` returns true, calling `tick` after each round. `ready`
    // throws once waiting can no longer succeed; reaching `deadline` first throws `timeoutText`.
    void WaitFor(const std::function<bool()>& ready, Clock::time_point deadline,
                 const char* timeoutText, const Tick& tick = {});
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
                        Clock::time_point deadline);

  private:
    struct LoopDeleter {
        void operator()(pa_mainloop* m) const { pa_mainloop_free(m); }
    };
    struct ContextDeleter {
        void operator()(pa_context* c) const;
    };

    // Runs one round of the main loop, waiting at most until `deadline` (and at most 20 ms).
    void Iterate(Clock::time_point deadline);

    std::unique_ptr<pa_mainloop, LoopDeleter> loop_;
    std::unique_ptr<pa_context, ContextDeleter> context_;
};

class PlaybackStream {
  public:
    // Connects and opens a playback stream on `device` (the default output when empty). Throws
    // DeviceMissing when a named device does not exist, PulseError when the stream is not open
    // before `deadline`. A stream on a named device is never moved to another one.
    PlaybackStream(const StreamSettings& settings, Clock::time_point deadline);
    ~PlaybackStream();
    PlaybackStream(const PlaybackStream&) = delete;
    PlaybackStream& operator=(const PlaybackStream&) = delete;

    int rate() const { return rate_; }
    int channels() const { return channels_; }
    // False once the connection or the stream has failed.
    bool Usable() const;

    // Waits until the server takes more samples; returns how many (whole frames, interleaved).
    std::size_t WaitWritable(Clock::time_point deadline, const Tick& tick);
    // Hands samples to the server; it buffers whatever exceeds the writable size.
    void Write(std::span<const std::int16_t> samples);
    // Returns when the server has taken everything written (it may still be buffered ahead of
    // the sound card: a beep's short stream does not wait for that).
    void Drain(Clock::time_point deadline, const Tick& tick);
    // Waits until the server reports the last sample written as played at the sound card (or
    // `until` seconds, if earlier), or until `deadline`; returns the seconds played by then.
    // Throws PulseError when the server stops answering. A drain would not do: the server
    // acknowledges it once the output has taken the samples, which may be its whole latency
    // (seconds, for some outputs) before they are heard, and a stream closed then is cut off.
    double PlayOut(double until, Clock::time_point deadline, const Tick& tick);
    // Pauses or resumes the stream. A paused stream takes no part in the mixing, so that the
    // server may suspend the output while nothing else plays; samples written meanwhile wait.
    void SetCorked(bool corked, Clock::time_point deadline);
    // Seconds of sound played so far, from the server's timing reports.
    double PlayedSeconds();
    // Handles whatever the server has sent, without waiting (for callers that do not wait).
    void Poll() { connection_.Poll(); }
    // Asks for the end of playback without waiting; Drained() turns true (through Poll) once
    // everything written has been played.
    void StartDrain();
    bool Drained() const { return drained_; }
    // The description of the output the stream plays on (its name when the server gives none).
    std::string DeviceDescription(Clock::time_point deadline);

  private:
    struct StreamDeleter {
        void operator()(pa_stream* s) const;
    };

    void OpenStream(const StreamSettings& settings, Clock::time_point deadline);
    void ThrowIfBroken(const char* what) const;
    // Starts a stream operation (given the callback and its data) and waits for its answer.
    using StartOperation = std::function<pa_operation*(pa_stream_success_cb_t, void*)>;
    void AwaitOperation(const StartOperation& start, Clock::time_point deadline, const Tick& tick);
    // Asks for a fresh timing report unless one is on its way.
    void RefreshTiming();

    Connection connection_;  // first in, last out: the stream lives on it
    std::unique_ptr<pa_stream, StreamDeleter> stream_;
    bool drained_ = false;
    Operation drain_;   // after drained_, which its callback writes
    Operation timing_;  // a timing report asked for
    Clock::time_point lastTimingRequest_{};
    Clock::time_point lastTimingAnswer_{};
    std::size_t writtenFrames_ = 0;
    int rate_ = 0;
    int channels_ = 0;
};

// The Russian reason for a libpulse error code.
std::string ReasonText(int paError);

}  // namespace tornel::platform::pulse
