// The level: a share of full amplitude applied to the samples played.

#include "platform/sound_level.h"

#include <gtest/gtest.h>

#include <vector>

namespace tornel::platform {
namespace {

TEST(ApplyLevel, ScalesToTheShareOfFullAmplitudeRoundingToNearest) {
    const std::vector<std::int16_t> full{32767, -32768, 30000, -30001, 3, -3, 0};
    struct Case {
        int level;
        std::vector<std::int16_t> expected;
    };
    const std::vector<Case> cases{
        {kLevelMax, full},
        {kLevelMax + 1, full},  // above the range: as full
        {50, {16384, -16384, 15000, -15001, 2, -2, 0}},
        {1, {328, -328, 300, -300, 0, 0, 0}},
        {kLevelMin, std::vector<std::int16_t>(full.size(), 0)},
        {-5, std::vector<std::int16_t>(full.size(), 0)},  // below the range: silence
    };
    for (const Case& c : cases) {
        std::vector<std::int16_t> samples = full;
        ApplyLevel(samples, c.level);
        EXPECT_EQ(samples, c.expected) << "level " << c.level;
    }
}

}  // namespace
}  // namespace tornel::platform
