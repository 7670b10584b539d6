#pragma once
// Three-tone continuous-phase FSK synthesis of the programming packet.
//
// One Synthesizer holds the state the program keeps for its whole run: the sample buffer, the
// sample count, the amplitude, the phase accumulator, the filter state, the closing-tone phase
// and the filter coefficient. Phase and filter state run on from one synthesis to the next.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>
#include <vector>

#include "packet/packet.h"
#include "signal/signal_constants.h"
#include "signal/synthesizer_detail.h"

namespace tornel {

inline constexpr std::size_t kSampleBufferSize = 900001;

// The check tone of the sound setup: the lead-in's tone at the signal's amplitude and rate, so
// that the operator sets the level on what the controller will hear.
inline constexpr double kCheckToneSeconds = 3.0;
std::vector<std::int16_t> CheckToneSamples();

class Synthesizer {
  public:
    Synthesizer();

    // The filter coefficient: kInitialAlpha at start; the window sets value/100 from SpinEdit_Alfa.
    double alpha() const { return state_.alpha; }
    void setAlpha(double alpha) { state_.alpha = alpha; }

    // Lead-in tone, the 128 bits of `packet` (byte 0 first, MSB first, repeat symbol for a bit
    // equal to the previous symbol) and the closing tone, written from index 0. `filterOn` is
    // the state of the modulation filter switch for this synthesis.
    void BuildSignal(const Packet& packet, bool filterOn);

    std::int32_t sampleCount() const { return state_.sampleCount; }
    // The signal of the latest synthesis: indices 0 .. sampleCount() - 1.
    std::span<const std::int16_t> samples() const;
    // The whole buffer of kSampleBufferSize samples.
    std::span<const std::int16_t> buffer() const { return {buffer_.get(), kSampleBufferSize}; }
    // Zeroes the buffer from the end of the signal up to (not including) `end`.
    void ClearAfterSignal(std::size_t end);

    // Points of the filter chart of the latest synthesis, one per filtered sample:
    // x = index of the sample being made, y = phase minus filtered phase (radians).
    const std::vector<double>& filterChartX() const { return chartX_; }
    const std::vector<double>& filterChartY() const { return chartY_; }

    double phase() const { return state_.phase; }
    double filterState() const { return state_.filterState; }
    // For tests: start from a chosen phase and filter state.
    void setPhaseAndFilterState(double phase, double filterState);

  private:
    struct FreeMemory {
        void operator()(std::int16_t* p) const { std::free(p); }
    };
    std::span<std::int16_t> writableBuffer() { return {buffer_.get(), kSampleBufferSize}; }

    // From calloc: the system hands out zero pages, so the 1.8 MB that a short run never
    // reaches cost neither a clearing pass nor page faults.
    std::unique_ptr<std::int16_t[], FreeMemory> buffer_;
    synthesis::State state_;
    std::vector<double> chartX_;
    std::vector<double> chartY_;
};

}  // namespace tornel
