#pragma once
// The signal at another sample rate, for an output that plays at its own rate (a browser's audio
// context runs at 44.1 or 48 kHz, and some refuse buffers below about 22 kHz). Band-limited
// interpolation with a windowed-sinc kernel: the three tones keep their pitch and phase, and
// nothing above the lower rate's band is added.
#include <cstdint>
#include <span>
#include <vector>

namespace tornel {

// The kernel reaches this many input samples either side of each output sample.
inline constexpr int kResamplerHalfTaps = 16;

// `samples` at `fromRate` as floats in -1 .. 1 (full scale 32768) at `toRate`, covering the same
// time: ceil(size * toRate / fromRate) values. Rates from 1 Hz up; equal rates copy.
std::vector<float> Resample(std::span<const std::int16_t> samples, int fromRate, int toRate);

}  // namespace tornel
