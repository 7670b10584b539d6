#pragma once
// The playback level: a share of full amplitude, applied to the samples on their way to the
// sound card and never to the files. 50 % is half the amplitude.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>

namespace tornel::platform {

inline constexpr int kLevelMin = 0;
inline constexpr int kLevelMax = 100;  // the samples as they are

// Scales `samples` to `levelPercent` of their amplitude, rounding to the nearest value. A level
// outside 0..100 is taken as the nearest end.
inline void ApplyLevel(std::span<std::int16_t> samples, int levelPercent) {
    const int level = std::clamp(levelPercent, kLevelMin, kLevelMax);
    if (level == kLevelMax) {
        return;
    }
    const double gain = static_cast<double>(level) / kLevelMax;
    for (std::int16_t& s : samples) {
        s = static_cast<std::int16_t>(std::lround(s * gain));
    }
}

}  // namespace tornel::platform
