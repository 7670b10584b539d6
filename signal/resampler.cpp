#include "signal/resampler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

#include "signal/signal_constants.h"

namespace tornel {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kPhases = 256;  // kernel table resolution between two input samples
constexpr int kTaps = 2 * kResamplerHalfTaps;

// The kernel at kPhases + 1 fractional positions (the last equals the first one sample on), each
// kTaps long: a sinc cut off at `cutoff` of the input rate's Nyquist band, under a Blackman window.
class KernelTable {
  public:
    explicit KernelTable(double cutoff) : taps_((kPhases + 1) * kTaps) {
        for (int phase = 0; phase <= kPhases; ++phase) {
            const double frac = static_cast<double>(phase) / kPhases;
            for (int k = 0; k < kTaps; ++k) {
                // Tap k multiplies input sample floor(t) - kHalf + 1 + k.
                const double x = static_cast<double>(k - kResamplerHalfTaps + 1) - frac;
                taps_[static_cast<std::size_t>(phase * kTaps + k)] =
                    static_cast<float>(Sinc(x * cutoff) * cutoff * Window(x));
            }
        }
    }
    const float* at(int phase) const { return &taps_[static_cast<std::size_t>(phase * kTaps)]; }

  private:
    static double Sinc(double x) { return x == 0.0 ? 1.0 : std::sin(kPi * x) / (kPi * x); }
    static double Window(double x) {
        const double r = (x + kResamplerHalfTaps) / (2.0 * kResamplerHalfTaps);
        if (r <= 0.0 || r >= 1.0) {
            return 0.0;
        }
        return 0.42 - 0.5 * std::cos(2 * kPi * r) + 0.08 * std::cos(4 * kPi * r);
    }
    std::vector<float> taps_;
};

}  // namespace

std::vector<float> Resample(std::span<const std::int16_t> samples, int fromRate, int toRate) {
    if (fromRate <= 0 || toRate <= 0) {
        throw std::invalid_argument("sample rates must be positive");
    }
    const auto inCount = static_cast<std::int64_t>(samples.size());
    const std::int64_t outCount = (inCount * toRate + fromRate - 1) / fromRate;
    std::vector<float> out(static_cast<std::size_t>(outCount));
    if (fromRate == toRate) {
        std::transform(samples.begin(), samples.end(), out.begin(),
                       [](std::int16_t s) { return static_cast<float>(s / kFullScale); });
        return out;
    }
    // Going down, the band must end below the new Nyquist frequency; going up it is the input's.
    const double cutoff = std::min(1.0, static_cast<double>(toRate) / fromRate) * 0.95;
    const KernelTable kernel(cutoff);
    for (std::int64_t n = 0; n < outCount; ++n) {
        // The output sample's time in input samples, split exactly into whole and fraction.
        const std::int64_t scaled = n * fromRate;
        const std::int64_t whole = scaled / toRate;
        const double frac = static_cast<double>(scaled % toRate) / toRate;
        const double phasePos = frac * kPhases;
        const int phase = static_cast<int>(phasePos);
        const auto mix = static_cast<float>(phasePos - phase);
        const float* a = kernel.at(phase);
        const float* b = kernel.at(phase + 1);
        const std::int64_t first = whole - kResamplerHalfTaps + 1;
        float sum = 0.0f;
        for (int k = 0; k < kTaps; ++k) {
            const std::int64_t i = first + k;
            if (i >= 0 && i < inCount) {
                const float tap = a[k] + (b[k] - a[k]) * mix;
                sum += tap * static_cast<float>(samples[static_cast<std::size_t>(i)]);
            }
        }
        // The kernel rings past a jump (where the closing tone stops, say) and can overshoot
        // full scale; the output would clip such a value into a click, so it is held at full scale.
        out[static_cast<std::size_t>(n)] =
            std::clamp(static_cast<float>(sum / kFullScale), -1.0f, 1.0f);
    }
    return out;
}

}  // namespace tornel
