#pragma once
// Finding the tones in a recording of what a sound server played: where each burst of tone
// starts, how long it lasts and its pitch.

#include <cstdint>
#include <span>
#include <vector>

namespace tornel::test {

// A sample louder than this belongs to a tone (test tones are far louder, silence is 0).
inline constexpr int kToneThreshold = 500;

struct ToneBurst {
    long start = -1;  // frame index of the first sample above the threshold
    long length = 0;  // frames
    double frequency = 0.0;
};

// The bursts in `recording` louder than `threshold`, separated by at least 5 ms of silence.
std::vector<ToneBurst> FindToneBursts(const std::vector<std::int16_t>& recording, int rate,
                                      int threshold = kToneThreshold);

// Frequency estimated from the zero crossings of a tone; 0 with fewer than two crossings.
double ZeroCrossingFrequency(std::span<const std::int16_t> tone, int rate);

}  // namespace tornel::test
