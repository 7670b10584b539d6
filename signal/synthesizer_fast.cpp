// The fast synthesis: the phase and filter recurrences exactly as the definition runs them, the
// sine in double precision, and an extended-precision recomputation of the rare sample that the
// double result cannot decide.
#include <cmath>
#include <limits>
#include <type_traits>

#include "signal/pair_steps.h"
#include "signal/synthesizer.h"
#include "signal/synthesizer_detail.h"

namespace tornel::synthesis {

namespace {

// The steps as the definition writes them, in long double: on x86 the hardware's 64-bit
// mantissa, which defines the signal.
class WidePhaseStep {
  public:
    explicit WidePhaseStep(long double increment) : increment_(increment) {}
    double Next(double phase) const { return static_cast<double>(phase + increment_); }

  private:
    long double increment_;
};

class WideFilterStep {
  public:
    explicit WideFilterStep(double alpha) : alpha_(alpha), beta_(1.0L - alpha_) {}
    double Next(double phase, double s) const {
        return static_cast<double>(alpha_ * phase + beta_ * s);
    }

  private:
    long double alpha_;
    long double beta_;
};

// Where long double is binary128 done in software (WebAssembly, 64-bit ARM) each of its
// operations is a library call, and its roundings are not the x87 ones: the pairs of doubles
// give the x87 doubles in a few operations.
inline constexpr bool kStepsInPairs = std::numeric_limits<long double>::digits == 113;
using PhaseStep = std::conditional_t<kStepsInPairs, PairPhaseStep, WidePhaseStep>;
using FilterStep = std::conditional_t<kStepsInPairs, PairFilterStep, WideFilterStep>;

// Rounds to the nearest integer, ties to even, in the default rounding mode; |x| < 2^51.
inline double RoundToInteger(double x) {
    constexpr double kShifter = 0x1.8p52;
    return (x + kShifter) - kShifter;
}

// pi/2 split in three parts: the first two have 23 significant bits, so k * part is exact for
// every |k| < 2^30, and the third carries the rest; together they hold pi/2 to 2^-100.
constexpr double kTwoOverPi = 0x1.45f306dc9c883p-1;
constexpr double kHalfPi1 = 0x1.921fb4p+0;
constexpr double kHalfPi2 = 0x1.4442dp-24;
constexpr double kHalfPi3 = 0x1.8469898cc5170p-48;

// Taylor series on |r| <= pi/4 (plus a hair): truncation errors below 5e-17 for the sine and
// 3e-18 for the cosine, far inside the margin used for rounding decisions.
inline double SineSeries(double r, double z) {
    constexpr double s3 = -1.0 / 6.0;
    constexpr double s5 = 1.0 / 120.0;
    constexpr double s7 = -1.0 / 5040.0;
    constexpr double s9 = 1.0 / 362880.0;
    constexpr double s11 = -1.0 / 39916800.0;
    constexpr double s13 = 1.0 / 6227020800.0;
    constexpr double s15 = -1.0 / 1307674368000.0;
    return r + r * z * (s3 + z * (s5 + z * (s7 + z * (s9 + z * (s11 + z * (s13 + z * s15))))));
}

inline double CosineSeries(double z) {
    constexpr double c2 = -1.0 / 2.0;
    constexpr double c4 = 1.0 / 24.0;
    constexpr double c6 = -1.0 / 720.0;
    constexpr double c8 = 1.0 / 40320.0;
    constexpr double c10 = -1.0 / 3628800.0;
    constexpr double c12 = 1.0 / 479001600.0;
    constexpr double c14 = -1.0 / 87178291200.0;
    constexpr double c16 = 1.0 / 20922789888000.0;
    return 1.0 +
           z * (c2 + z * (c4 + z * (c6 + z * (c8 + z * (c10 + z * (c12 + z * (c14 + z * c16)))))));
}

inline double SineInRange(double y) {
    const double k = RoundToInteger(y * kTwoOverPi);
    const double r = ((y - k * kHalfPi1) - k * kHalfPi2) - k * kHalfPi3;
    const double z = r * r;
    const double s = SineSeries(r, z);
    const double c = CosineSeries(z);
    const auto quadrant = static_cast<std::int64_t>(k) & 3;
    const double v = (quadrant & 1) != 0 ? c : s;
    return (quadrant & 2) != 0 ? -v : v;
}

// The double sine is off by less than 1e-15, that is 3e-11 after scaling: a scaled value
// farther than this from a half rounds as the extended-precision one does.
constexpr double kRoundingMargin = 1e-6;

// The sample of phase y when the double sine decides it; false for the rare one it cannot.
inline bool FastSample(double y, std::int16_t& sample) {
    if (!(std::fabs(y) <= kFastSineLimit)) [[unlikely]] {
        return false;
    }
    const double v = SineInRange(y) * kAmplitude;
    const double n = RoundToInteger(v);
    sample = static_cast<std::int16_t>(n);
    return std::fabs(v - n) < 0.5 - kRoundingMargin;
}

inline std::int16_t SampleOf(double y) {
    std::int16_t sample = 0;
    if (FastSample(y, sample)) [[likely]] {
        return sample;
    }
    return ExactSample(y);
}

// The lead-in and the code: the phase and filter recurrences exactly as the definition runs them,
// each filtered phase turned into its sample at once.
template <bool kFilterOn>
class CodePass {
  public:
    CodePass(const State& state, const Output& out)
        : filter_(state.alpha),
          phase_(state.phase),
          filterState_(state.filterState),
          samples_(out.buffer.data()),
          chartX_(out.chartX.data()),
          chartY_(out.chartY.data()) {}

    void Tone(PhaseStep step, int count) {
        // Locals, so that the stores into the arrays cannot alias the running values.
        double phase = phase_;
        double s = filterState_;
        const FilterStep filter = filter_;
        std::int16_t* samples = samples_ + n_;
        double* chartX = chartX_ + n_;
        double* chartY = chartY_ + n_;
        const auto first = static_cast<double>(n_);
        for (int i = 0; i < count; ++i) {
            phase = step.Next(phase);
            double y = phase;
            if constexpr (kFilterOn) {
                y = filter.Next(phase, s);
                s = y;
            }
            chartX[i] = first + i;
            chartY[i] = phase - y;
            samples[i] = SampleOf(y);
        }
        phase_ = phase;
        filterState_ = s;
        n_ += static_cast<std::size_t>(count);
    }

    void AppendSymbol(std::uint8_t symbol) {
        if (symbol < kSymbols.size()) {
            Tone(symbolSteps_[symbol], kSymbols[symbol].samples);
        }
    }

    void Finish(State& state) const {
        state.phase = phase_;
        state.filterState = filterState_;
        state.sampleCount = static_cast<std::int32_t>(n_);
    }

  private:
    const std::array<PhaseStep, kSymbols.size()> symbolSteps_{PhaseStep(kSymbols[0].increment),
                                                              PhaseStep(kSymbols[1].increment),
                                                              PhaseStep(kSymbols[2].increment)};
    FilterStep filter_;
    double phase_;
    double filterState_;
    std::int16_t* samples_;
    double* chartX_;
    double* chartY_;
    std::size_t n_ = 0;
};

template <bool kFilterOn>
void RunCodePass(const std::array<std::uint8_t, kSymbolCount>& symbols, State& state,
                 const Output& out) {
    CodePass<kFilterOn> pass(state, out);
    pass.Tone(PhaseStep(kToneIncrement), kLeadInSamples);
    for (std::uint8_t symbol : symbols) {
        pass.AppendSymbol(symbol);
    }
    pass.Finish(state);
}

void ClosingTone(State& state, std::span<std::int16_t> buffer) {
    const PhaseStep step(kToneIncrement);
    double phase = 0.0;
    for (int i = 0; i < kClosingSamples; ++i) {
        phase = step.Next(phase);
        buffer[static_cast<std::size_t>(state.sampleCount++)] = SampleOf(phase);
    }
    state.closingPhase = phase;
}

}  // namespace

double FastSine(double y) {
    if (!(std::fabs(y) <= kFastSineLimit)) {
        return static_cast<double>(std::sin(static_cast<long double>(y)));
    }
    return SineInRange(y);
}

std::size_t SamplesOfPhases(std::span<const double> phases, std::span<std::int16_t> samples) {
    std::size_t redone = 0;
    for (std::size_t i = 0; i < phases.size(); ++i) {
        if (!FastSample(phases[i], samples[i])) {
            samples[i] = ExactSample(phases[i]);
            ++redone;
        }
    }
    return redone;
}

void SynthesizeFast(const Packet& packet, bool filterOn, State& state, const Output& out) {
    const auto symbols = SymbolSequence(packet);
    std::size_t filtered = kLeadInSamples;
    for (std::uint8_t symbol : symbols) {
        filtered += static_cast<std::size_t>(kSymbols[symbol].samples);
    }
    out.chartX.resize(filtered);  // every point is overwritten
    out.chartY.resize(filtered);

    state.amplitude = kAmplitude;
    if (filterOn) {
        RunCodePass<true>(symbols, state, out);
    } else {
        RunCodePass<false>(symbols, state, out);
    }
    ClosingTone(state, out.buffer);
}

}  // namespace tornel::synthesis
