#pragma once
// Three-tone continuous-phase FSK synthesis of the programming packet.
//
// One Synthesizer holds the state the program keeps for its whole run: the sample buffer, the
// sample count, the amplitude, the phase accumulator, the filter state, the closing-tone phase
// and the filter coefficient. Phase and filter state run on from one synthesis to the next.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "packet/packet.h"

namespace tornel {

inline constexpr int kSampleRate = 16000;
inline constexpr std::size_t kSampleBufferSize = 900001;
inline constexpr int kLeadInSamples = 16000;
inline constexpr int kClosingSamples = 4000;
inline constexpr std::int32_t kAmplitude = 30000;
inline constexpr double kInitialAlpha = 0.2;

class Synthesizer {
public:
    Synthesizer();

    // The filter coefficient: 0.2 at start; the window sets value/100 from SpinEdit_Alfa.
    double alpha() const { return alpha_; }
    void setAlpha(double alpha) { alpha_ = alpha; }

    // Lead-in tone, the 128 bits of `packet` (byte 0 first, MSB first, repeat symbol for a bit
    // equal to the previous symbol) and the closing tone, written from index 0. `filterOn` is
    // the state of the modulation filter switch for this synthesis.
    void BuildSignal(const Packet& packet, bool filterOn);

    std::int32_t sampleCount() const { return sampleCount_; }
    // The signal of the latest synthesis: indices 0 .. sampleCount() - 1.
    std::span<const std::int16_t> samples() const;
    // The whole buffer of kSampleBufferSize samples.
    std::span<const std::int16_t> buffer() const { return buffer_; }
    // Zeroes the buffer from the end of the signal up to (not including) `end`.
    void ClearAfterSignal(std::size_t end);

    // Points of the filter chart of the latest synthesis, one per filtered sample:
    // x = index of the sample being made, y = phase minus filtered phase (radians).
    const std::vector<double>& filterChartX() const { return chartX_; }
    const std::vector<double>& filterChartY() const { return chartY_; }

    double phase() const { return phase_; }
    double filterState() const { return filterState_; }
    // For tests: start from a chosen phase and filter state.
    void setPhaseAndFilterState(double phase, double filterState);

private:
    std::vector<std::int16_t> buffer_;
    std::int32_t sampleCount_ = 0;
    std::int32_t amplitude_ = 0;
    double phase_ = 0.0;
    double filterState_ = 0.0;
    double closingPhase_ = 0.0;
    double alpha_ = kInitialAlpha;
    std::vector<double> chartX_;
    std::vector<double> chartY_;
};

}  // namespace tornel
