#include "tests/support/tone_bursts.h"

#include <cstdlib>

#include "tests/support/pulse_server.h"

namespace tornel::test {

std::vector<ToneBurst> FindToneBursts(const std::vector<std::int16_t>& recording, int rate,
                                      int threshold) {
    std::vector<ToneBurst> bursts;
    const long gap = rate / 200;
    const auto size = static_cast<long>(recording.size());
    long at = FirstAbove(recording, threshold);
    while (at >= 0) {
        long end = at;
        for (long i = at, quiet = 0; i < size && quiet < gap; ++i) {
            if (std::abs(recording[static_cast<std::size_t>(i)]) > threshold) {
                end = i + 1;
                quiet = 0;
            } else {
                ++quiet;
            }
        }
        const auto tone = std::span(recording).subspan(static_cast<std::size_t>(at),
                                                       static_cast<std::size_t>(end - at));
        bursts.push_back({at, end - at, ZeroCrossingFrequency(tone, rate)});
        at = FirstAbove(recording, threshold, static_cast<std::size_t>(end));
    }
    return bursts;
}

double ZeroCrossingFrequency(std::span<const std::int16_t> tone, int rate) {
    int crossings = 0;
    long firstCrossing = -1;
    long lastCrossing = -1;
    for (std::size_t i = 1; i < tone.size(); ++i) {
        if ((tone[i - 1] < 0) != (tone[i] < 0)) {
            ++crossings;
            lastCrossing = static_cast<long>(i);
            if (firstCrossing < 0) {
                firstCrossing = static_cast<long>(i);
            }
        }
    }
    if (crossings < 2) {
        return 0.0;
    }
    const double seconds = static_cast<double>(lastCrossing - firstCrossing) / rate;
    return (crossings - 1) / 2.0 / seconds;
}

}  // namespace tornel::test
