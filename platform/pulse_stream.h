#pragma once
// One playback stream to the PulseAudio server, driven by a main loop of our own with deadlines.
// Every wait on the server has a limit, so that an absent or stuck server makes a call fail within
// the limit instead of hanging the caller. Used by the file playback and the tone output.

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
    int rate = 16000;  // ignored with useSinkRate: the output device's rate is taken
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

// Called now and then while a call waits on the server.
using Tick = std::function<void()>;

class PlaybackStream {
  public:
    // Connects (never starting a server of its own) and opens a playback stream on the default
    // output. Throws PulseError when that is not done before `deadline`.
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
    // Returns when everything written has been played.
    void Drain(Clock::time_point deadline, const Tick& tick);
    // Pauses or resumes the stream. A paused stream takes no part in the mixing, so that the
    // server may suspend the output while nothing else plays; samples written meanwhile wait.
    void SetCorked(bool corked, Clock::time_point deadline);
    // Seconds of sound played so far, from the server's timing reports.
    double PlayedSeconds();

  private:
    struct LoopDeleter {
        void operator()(pa_mainloop* m) const { pa_mainloop_free(m); }
    };
    struct ContextDeleter {
        void operator()(pa_context* c) const;
    };
    struct StreamDeleter {
        void operator()(pa_stream* s) const;
    };

    void Connect(const StreamSettings& settings, Clock::time_point deadline);
    void OpenStream(const StreamSettings& settings, Clock::time_point deadline);
    // Runs one round of the main loop, waiting at most until `deadline` (and at most 20 ms).
    void Iterate(Clock::time_point deadline);
    // Runs the main loop until `ready` returns true, calling `tick` after each round. `ready`
    // throws once waiting can no longer succeed; reaching `deadline` first throws `timeoutText`.
    void WaitFor(const std::function<bool()>& ready, Clock::time_point deadline,
                 const char* timeoutText, const Tick& tick = {});
    // Starts a stream operation (given the callback and its data) and waits for its answer.
    using StartOperation = std::function<pa_operation*(pa_stream_success_cb_t, void*)>;
    void AwaitOperation(const StartOperation& start, Clock::time_point deadline, const Tick& tick);
    void ThrowIfBroken(const char* what) const;

    std::unique_ptr<pa_mainloop, LoopDeleter> loop_;
    std::unique_ptr<pa_context, ContextDeleter> context_;
    std::unique_ptr<pa_stream, StreamDeleter> stream_;
    int rate_ = 0;
    int channels_ = 0;
};

// The Russian reason for a libpulse error code.
std::string ReasonText(int paError);

}  // namespace tornel::platform::pulse
