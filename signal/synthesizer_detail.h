#pragma once
// Inside of the synthesis, shared by the Synthesizer, its tests and its benchmark.
//
// The signal is defined by an extended-precision computation (x87 `long double`): phase sums, the
// filter step and the sine in 64-bit mantissa precision, phase, filter state and filtered phase
// stored as doubles after each step, samples rounded half to even. SynthesizeReference is that
// definition written plainly. SynthesizeFast gives byte-identical results: it runs the same
// extended-precision phase and filter recurrences (cheap in x87 hardware; where long double is
// binary128 in software, in pairs of doubles that give the x87 doubles, signal/pair_steps.h),
// takes the sine in double precision with a known small error, and recomputes in extended
// precision every sample whose scaled sine lies too close to a rounding boundary for the double
// result to decide it.

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "packet/packet.h"
#include "signal/extended_arithmetic.h"
#include "signal/signal_constants.h"

namespace tornel::synthesis {

// One symbol of the three-tone code: 0, 1 or 2 (the repeat symbol).
struct SymbolShape {
    long double increment;  // phase increment per sample, radians
    int samples;
};

// 2*pi*f/kSampleRate as the x87 format computes it in Wide (long double, or a wider type that
// rounds each result to the 64-bit mantissa): the phase step of a tone of f Hz. pi is given to
// 106 bits as two doubles, far more than its rounding to 64 needs.
template <typename Wide>
constexpr Wide ExtendedPhaseIncrement(double hz) {
    constexpr double kPiHigh = 0x1.921fb54442d18p+1;
    constexpr double kPiLow = 0x1.1a62633145c07p-53;
    const Wide pi = RoundToExtendedPrecision(Wide(kPiHigh) + Wide(kPiLow));
    const Wide twoPiHz = RoundToExtendedPrecision(Wide(2) * pi * Wide(hz));
    return RoundToExtendedPrecision(twoPiHz / Wide(kSampleRate));
}

constexpr long double PhaseIncrement(double hz) {
    return ExtendedPhaseIncrement<long double>(hz);
}

inline constexpr std::array<SymbolShape, 3> kSymbols{{
    {PhaseIncrement(kToneHz[0]), kSymbolSamples[0]},
    {PhaseIncrement(kToneHz[1]), kSymbolSamples[1]},
    {PhaseIncrement(kToneHz[2]), kSymbolSamples[2]},
}};
inline constexpr long double kToneIncrement = kSymbols[kLeadInTone].increment;

// The 128 symbols of a packet: bytes in order, bits from the most significant; a bit equal to
// the previous symbol (2 before the first) is sent as the repeat symbol 2.
std::array<std::uint8_t, kSymbolCount> SymbolSequence(const Packet& packet);

// Everything a synthesis reads and writes besides its output arrays.
struct State {
    std::int32_t sampleCount = 0;
    std::int32_t amplitude = 0;
    double phase = 0.0;        // never reset, never reduced modulo 2*pi
    double filterState = 0.0;  // changed only while the filter is on
    double closingPhase = 0.0;
    double alpha = kInitialAlpha;
};

// Where a synthesis writes: the sample buffer from index 0 (it must hold the longest signal)
// and the filter chart, which it replaces.
struct Output {
    std::span<std::int16_t> buffer;
    std::vector<double>& chartX;
    std::vector<double>& chartY;
};

// The definition of the signal, computed sample by sample in extended precision.
void SynthesizeReference(const Packet& packet, bool filterOn, State& state, const Output& out);

// Byte-identical to SynthesizeReference, more than ten times faster.
void SynthesizeFast(const Packet& packet, bool filterOn, State& state, const Output& out);

// round(sin(y) * 30000) exactly as the definition computes it.
std::int16_t ExactSample(double y);

// sin(y) in double precision, absolute error below 1e-15 for |y| <= kFastSineLimit.
double FastSine(double y);
inline constexpr double kFastSineLimit = 1.0e9;

// Samples of sin(phases[i]) * 30000 into `samples`, equal to ExactSample(phases[i]) for every
// i. Returns how many samples needed the extended-precision recomputation.
std::size_t SamplesOfPhases(std::span<const double> phases, std::span<std::int16_t> samples);

}  // namespace tornel::synthesis
