#pragma once
// A private PulseAudio server for tests, whose outputs are pipe sinks that record exactly what
// was played, in real time. The first sink, "cap", is the default; more may be asked for at start
// (Options::moreSinks) or added and removed while the server runs, like a USB card.
//
//   tornel::test::PulseServer server;            // started; PULSE_SERVER points at it
//   const std::size_t mark = server.RecordedFrames();
//   ... play something through the code under test ...
//   server.WaitForFrames(server.RecordedFrames() + 4000, std::chrono::seconds(5));
//   std::vector<std::int16_t> rec = server.Recording(mark);  // leading silence, the sound, silence
//
// The sink writes silence while nothing plays, so the recording is a continuous timeline at the
// sink's rate; ArrivalTime(i) tells when frame i came out of the sink. While the server lives, the
// test process's PULSE_SERVER and PULSE_COOKIE name it (child processes inherit them); the
// destructor stops the server by its process id and restores both variables.

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <thread>
#include <vector>

namespace tornel::test {

class PulseServer {
  public:
    using Clock = std::chrono::steady_clock;

    struct Options {
        // Format of the sink (always signed 16-bit little-endian). The sink hands its samples over
        // in blocks of 4096 bytes, so the timing resolution is 2048 / (rate * channels) seconds:
        // 128 ms for 16 kHz mono. Timing tests use more channels or a higher rate.
        int rate = 16000;
        int channels = 1;
        // After this many seconds with nothing playing, the server suspends the sink
        // (module-suspend-on-idle) and the recording stops growing until something plays.
        // 0: the sink never suspends and the recording is one continuous timeline.
        int suspendIdleSeconds = 0;
        // Names of further pipe sinks, each recording on its own (see Sink()).
        std::vector<std::string> moreSinks{};
        // Names of null sinks, as on a desktop without a card: they keep the server's default
        // latency (2 s, rendered ahead and taken back when a stream ends early) and the
        // description "Null Output". What each plays is recorded from its monitor (Monitor()).
        std::vector<std::string> nullSinks{};
        // An input: a mono pipe source "mic", the server's default input, at `inputRate`
        // (0: the server's rate). The test writes what it hears with FeedInput().
        bool input = false;
        int inputRate = 0;
        // A loopback cable: what the default sink "cap" plays is fed into the input "mic" as
        // well (FeedInput is then not used). Needs `input`, one channel and the input at the
        // server's rate. While nobody records from the input, what it does not take is dropped.
        bool loopback = false;
    };

    // What one sink has played: a continuous timeline at the server's rate (while it runs).
    class SinkRecording {
      public:
        SinkRecording(std::string fifoPath, int channels);
        ~SinkRecording();
        SinkRecording(const SinkRecording&) = delete;
        SinkRecording& operator=(const SinkRecording&) = delete;

        const std::string& fifoPath() const { return fifoPath_; }
        std::size_t RecordedFrames() const;
        bool WaitForFrames(std::size_t frames, std::chrono::milliseconds timeout) const;
        std::vector<std::int16_t> Recording(std::size_t from = 0, int channel = 0) const;
        Clock::time_point ArrivalTime(std::size_t frame) const;
        // A null sink's monitor that wakes with its sink loses the first samples: a few
        // milliseconds on a quiet machine, more on a loaded one. A quarter second at 16 kHz still
        // leaves the lead-in long enough to decode.
        static constexpr std::size_t kWakeLoss = 4000;
        // Waits until the recording from frame `from` on holds `expected` (channel 0, see
        // LostAtStart); returns how many of its first samples were lost, -1 on timeout.
        long WaitForPlayed(std::size_t from, const std::vector<std::int16_t>& expected,
                           std::chrono::milliseconds timeout,
                           std::size_t mostLost = kWakeLoss) const;
        // What a failed WaitForPlayed heard, for its message.
        std::string PlayedSummary(std::size_t from,
                                  const std::vector<std::int16_t>& expected) const;
        // From now on hands what the sink plays on to `fifo` (opened non-blocking).
        void FeedTo(int fifo) { feedFifo_ = fifo; }

      private:
        void Read();
        void FeedNewBytes();

        std::string fifoPath_;
        int channels_;
        int fifo_ = -1;
        std::atomic<bool> stopReading_{false};
        std::thread reader_;
        mutable std::mutex mutex_;
        std::vector<std::uint8_t> bytes_;
        // When each read from the FIFO returned, and the byte count recorded after it.
        struct Arrival {
            Clock::time_point time;
            std::size_t endByte;
        };
        std::vector<Arrival> arrivals_;
        std::atomic<int> feedFifo_{-1};
        std::size_t fedBytes_ = 0;  // of bytes_, handed on or dropped
    };

    // Starts the server and waits until it answers. Throws std::runtime_error (with the server's
    // log) when it does not come up within a few seconds.
    PulseServer();
    explicit PulseServer(Options options);
    ~PulseServer();
    PulseServer(const PulseServer&) = delete;
    PulseServer& operator=(const PulseServer&) = delete;

    // True when the pulseaudio, pactl and parec programs are installed.
    static bool Available();

    // The server's process id, e.g. to stop it with SIGSTOP and see a client give up.
    pid_t pid() const { return pid_; }
    int rate() const { return options_.rate; }
    int channels() const { return options_.channels; }
    // "PULSE_SERVER=..." and "PULSE_COOKIE=..." for a child process's environment.
    std::vector<std::string> ClientEnvironment() const;

    // The recording of the sink `name` ("cap" is the first); throws when there is none.
    const SinkRecording& Sink(const std::string& name) const;
    // What the monitor of the null sink `name` heard, from the server's start on: only what
    // the sink played and kept, nothing it took back. A monitor that wakes with its idle sink
    // loses the first few milliseconds of what comes (paplay's sound alike).
    const SinkRecording& Monitor(const std::string& name) const;
    // The description a sink shows to clients: "Запись <name>".
    static std::string DescriptionOf(const std::string& name);
    // Adds a pipe sink while the server runs, or removes one (its recording stays readable).
    void AddSink(const std::string& name);
    void RemoveSink(const std::string& name);

    // The default sink "cap": frames recorded so far (one frame = one sample per channel).
    std::size_t RecordedFrames() const;
    // Waits until at least `frames` frames have been recorded; false on timeout.
    bool WaitForFrames(std::size_t frames, std::chrono::milliseconds timeout) const;
    // The recording of one channel, from frame `from` on.
    std::vector<std::int16_t> Recording(std::size_t from = 0, int channel = 0) const;
    // When frame `frame` came out of the sink (the read from the FIFO that delivered it), on the
    // steady clock. For the time between two frames use their distance: (b - a) / rate().
    Clock::time_point ArrivalTime(std::size_t frame) const;

    // Runs pactl against this server (e.g. {"unload-module", "module-pipe-sink"}); throws when
    // it keeps failing for a few seconds.
    void Pactl(const std::vector<std::string>& args) const;

    // Writes 16-bit mono samples into the input (Options::input); returns once the source has
    // taken them (true), or false when it stopped taking them for a few seconds. The source
    // takes them as fast as they come: faster than real time.
    bool FeedInput(std::span<const std::int16_t> samples) const;
    // Waits until a client records from the input; false on timeout.
    bool WaitForRecorder(std::chrono::milliseconds timeout) const;
    std::string LogText() const;

  private:
    void Start();
    void Stop();
    // The recording and the load-module argument of a new sink.
    std::string NewSink(const std::string& name);
    // Records the monitor of the null sink `name` with parec, into a FIFO of its own.
    void RecordMonitor(const std::string& name);
    std::string PactlOutput(const std::vector<std::string>& args) const;
    void SetClientEnvironment();
    void RestoreClientEnvironment();

    Options options_;
    std::string dir_;
    std::string inputFifoPath_;  // made by the pipe source
    int inputFifo_ = -1;
    std::string socketPath_;
    std::string cookiePath_;
    std::string logPath_;
    pid_t pid_ = -1;

    std::map<std::string, std::unique_ptr<SinkRecording>> sinks_;
    std::map<std::string, std::unique_ptr<SinkRecording>> monitors_;
    std::vector<pid_t> monitorRecorders_;  // parec, one per null sink

    bool environmentSet_ = false;
    std::optional<std::string> savedServer_;
    std::optional<std::string> savedCookie_;
};

// Index of the first sample at or after `from` whose magnitude is above `threshold`, or -1.
long FirstAbove(const std::vector<std::int16_t>& samples, int threshold, std::size_t from = 0);
// How many of the first samples of `expected` the recording lacks (at most `mostLost`), where the
// rest up to its last sound follows its silence exactly; -1 when it does not.
long LostAtStart(const std::vector<std::int16_t>& recording,
                 const std::vector<std::int16_t>& expected, std::size_t mostLost);
// Index one past the last sample whose magnitude is above `threshold`, or -1.
long EndAbove(const std::vector<std::int16_t>& samples, int threshold);

}  // namespace tornel::test
