#pragma once
// A tone output for tests: remembers every beep and, given a fake clock, lets the beep take its
// time on that clock as the real one blocks until the tone has played.

#include <vector>

#include "platform/tone_output.h"
#include "tests/support/fake_clock.h"
#include "tests/support/recording_ports.h"

namespace tornel::fakes {

struct RecordedBeep {
    int frequencyHz;
    int durationMs;
    platform::Seconds at;  // the clock's reading when the beep began
};

class RecordingToneOutput : public platform::ToneOutput {
  public:
    explicit RecordingToneOutput(platform::FakeClock* clock = nullptr) : clock_(clock) {}

    void Beep(int frequencyHz, int durationMs) override {
        const platform::Seconds at = clock_ ? clock_->Now() : platform::Seconds{0.0};
        beeps_.push_back({frequencyHz, durationMs, at});
        if (clock_ && durationMs > 0) {
            clock_->Advance(platform::Seconds{durationMs / 1000.0});
        }
    }

    const std::vector<RecordedBeep>& beeps() const { return beeps_; }
    std::vector<int> Frequencies() const {
        std::vector<int> hz;
        for (const RecordedBeep& b : beeps_) {
            hz.push_back(b.frequencyHz);
        }
        return hz;
    }

  private:
    platform::FakeClock* clock_;
    std::vector<RecordedBeep> beeps_;
};

}  // namespace tornel::fakes
