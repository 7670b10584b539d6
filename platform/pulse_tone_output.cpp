// Beeps through one PulseAudio stream that is opened at start and kept ready: opening a stream
// for each beep would make it start tens to hundreds of milliseconds late. Between beeps the
// stream is paused (corked), so that the program takes no part in the desktop's mixing and the
// server can suspend the output; resuming costs one message to the server.

#include <cmath>
#include <numbers>
#include <optional>
#include <utility>
#include <vector>

#include "platform/pulse_backend.h"
#include "platform/pulse_stream.h"

namespace tornel::platform::pulse {

namespace {

// After a failed connection, beeps stay silent for this long before the next attempt, so that a
// missing server costs the trainer no time on every edge.
constexpr auto kRetryInterval = std::chrono::seconds(2);
constexpr auto kDrainSlack = std::chrono::seconds(1);
// Latency asked of the whole path: small, so that a beep is heard within a few milliseconds.
constexpr int kTargetLatencyMs = 10;
constexpr double kAmplitude = 16000.0;

std::vector<std::int16_t> SineTone(int frequencyHz, int durationMs, int rate, int channels) {
    const auto frames = static_cast<std::size_t>(static_cast<long long>(rate) * durationMs / 1000);
    std::vector<std::int16_t> samples(frames * static_cast<std::size_t>(channels));
    // Nothing audible is possible at or above half the rate; the beep keeps its length silent.
    if (2 * frequencyHz >= rate) {
        return samples;
    }
    const double step = 2.0 * std::numbers::pi * frequencyHz / rate;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto value = static_cast<std::int16_t>(std::lround(kAmplitude * std::sin(step * i)));
        for (int c = 0; c < channels; ++c) {
            samples[i * channels + c] = value;
        }
    }
    return samples;
}

class PulseToneOutput : public ToneOutput {
  public:
    explicit PulseToneOutput(std::string applicationName)
        : applicationName_(std::move(applicationName)) {
        TryOpen();
    }

    void Beep(int frequencyHz, int durationMs) override {
        if (frequencyHz <= 0 || durationMs <= 0 || !EnsureOpen()) {
            return;
        }
        try {
            const auto tone =
                SineTone(frequencyHz, durationMs, stream_->rate(), stream_->channels());
            const auto deadline =
                Clock::now() + std::chrono::milliseconds(durationMs) + kDrainSlack;
            // Written while paused, so that the tone is there the moment the stream resumes.
            stream_->Write(tone);
            stream_->SetCorked(false, deadline);
            stream_->Drain(deadline, {});
            stream_->SetCorked(true, deadline);
        } catch (const PulseError&) {
            stream_.reset();  // reopened at a later beep
        }
    }

  private:
    bool EnsureOpen() {
        if (stream_ && stream_->Usable()) {
            return true;
        }
        stream_.reset();
        if (lastAttempt_ && Clock::now() - *lastAttempt_ < kRetryInterval) {
            return false;
        }
        TryOpen();
        return stream_ != nullptr;
    }

    void TryOpen() {
        lastAttempt_ = Clock::now();
        try {
            stream_ =
                std::make_unique<PlaybackStream>(StreamSettings{.applicationName = applicationName_,
                                                                .mediaName = "beep",
                                                                .device = {},
                                                                .rate = 48000,
                                                                .channels = 1,
                                                                .useSinkRate = true,
                                                                .targetLatencyMs = kTargetLatencyMs,
                                                                .startAfterMs = 0,
                                                                .startCorked = true},
                                                 Clock::now() + kConnectLimit);
        } catch (const PulseError&) {
            stream_.reset();
        }
    }

    std::string applicationName_;
    std::unique_ptr<PlaybackStream> stream_;
    std::optional<Clock::time_point> lastAttempt_;
};

}  // namespace

std::unique_ptr<ToneOutput> MakeToneOutput(const std::string& applicationName) {
    return std::make_unique<PulseToneOutput>(applicationName);
}

}  // namespace tornel::platform::pulse
