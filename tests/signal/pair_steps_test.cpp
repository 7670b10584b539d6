// The synthesis steps in pairs of doubles, the ones WebAssembly and 64-bit ARM run, against the
// same steps in binary128 (GCC's __float128 here): the same double for random phases, filter
// states and every coefficient, and the binary128 step taken where the pairs cannot decide.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "signal/pair_steps.h"
#include "signal/synthesizer_detail.h"

namespace tornel::synthesis {
namespace {

#ifdef __SIZEOF_FLOAT128__
using Wide = __float128;

// Along the synthesis's own path from phases in every binade up to 2^30: each symbol's tone (and
// the same increment with bits below the 64 that x87 keeps) and every coefficient the window and
// --alpha set, the filter state following the filtered phase.
TEST(PairSteps, StepsGiveTheBinary128Doubles) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> lag(0.0, 4.0);
    constexpr int kSteps = 300;
    constexpr int kLowestBinade = -4;
    constexpr int kHighestBinade = 30;
    for (int percent = 0; percent <= 100; ++percent) {
        const Wide x87 = kSymbols[static_cast<std::size_t>(percent) % kSymbols.size()].increment;
        const Wide increment = percent % 2 == 0 ? x87 : x87 + x87 * Wide(0x1.3579bdp-70);
        const PairPhaseStep<Wide> tone(increment);
        const double alpha = percent / 100.0;
        const PairFilterStep<Wide> filter(alpha);
        const Wide a = alpha;
        int decided = 0;
        for (int exponent = kLowestBinade; exponent <= kHighestBinade; ++exponent) {
            double phase = std::ldexp(1.0 + static_cast<double>(rng() >> 11) * 0x1p-53, exponent);
            double s = phase - lag(rng);
            for (int i = 0; i < kSteps; ++i) {
                double next = 0.0;
                ASSERT_TRUE(tone.NextByPairs(phase, next)) << phase;
                ASSERT_EQ(next, static_cast<double>(phase + increment)) << phase;
                phase = next;
                const double expected = static_cast<double>(a * phase + (Wide(1) - a) * s);
                double y = 0.0;
                if (filter.NextByPairs(phase, s, y)) {
                    ++decided;
                    ASSERT_EQ(y, expected) << alpha << " " << phase << " " << s;
                }
                s = expected;
            }
        }
        EXPECT_GT(decided, (kHighestBinade - kLowestBinade + 1) * kSteps * 99 / 100)
            << "the pairs should decide nearly every step";
    }
}

// Values at or next to a midpoint between doubles, where the pairs' last rounding or the bits
// they drop could decide wrongly, and values outside the range where their products are exact.
TEST(PairSteps, UndecidedStepsAreTakenInBinary128) {
    const Wide halfUlpOfOne = 0x1p-53;
    const Wide belowThePairs = 0x1p-110;
    const struct {
        const char* what;
        Wide increment;
    } phaseCases[] = {
        {"exactly at a midpoint", 1 + halfUlpOfOne},
        {"above a midpoint by a bit the pair drops", 1 + halfUlpOfOne + belowThePairs},
        {"below a midpoint by a bit the pair drops", 1 + halfUlpOfOne - belowThePairs}};
    for (const auto& c : phaseCases) {
        EXPECT_EQ(PairPhaseStep<Wide>(c.increment).Next(0.0), static_cast<double>(c.increment))
            << c.what;
    }
    const struct {
        const char* what;
        double alpha, phase, s;
    } filterCases[] = {{"exactly at a midpoint", 0.5, 1.0 + 0x1p-52, 1.0},
                       {"products in the subnormal range", 0.3, 0x1p-1000, 0x1p-1010},
                       {"a filter state too large to split", 0.3, 1.0, 0x1p1000}};
    for (const auto& c : filterCases) {
        const Wide a = c.alpha;
        EXPECT_EQ(PairFilterStep<Wide>(c.alpha).Next(c.phase, c.s),
                  static_cast<double>(a * c.phase + (Wide(1) - a) * c.s))
            << c.what;
    }
}
#else
TEST(PairSteps, NeedsBinary128) {
    GTEST_SKIP() << "the compiler has no __float128 to compare the pairs with";
}
#endif

}  // namespace
}  // namespace tornel::synthesis
