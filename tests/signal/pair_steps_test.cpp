// The synthesis steps in pairs of doubles, the ones WebAssembly and 64-bit ARM run, against the
// same steps in binary128 (GCC's __float128 here): the same double for random phases, filter
// states and every coefficient, and the binary128 step taken where the pairs cannot decide.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

#include "signal/pair_steps.h"
#include "signal/synthesizer_detail.h"

namespace tornel::synthesis {
namespace {

#ifdef __SIZEOF_FLOAT128__
using Wide = __float128;

// The increment of each symbol with bits below the 64 that x87 keeps, as binary128 has them.
std::vector<Wide> Increments() {
    std::vector<Wide> increments;
    for (const auto& symbol : kSymbols) {
        const Wide x87 = symbol.increment;
        increments.push_back(x87);
        increments.push_back(x87 + x87 * Wide(0x1.3579bdp-70));
    }
    return increments;
}

// A phase of the binade 2^exponent, all its bits random.
double RandomPhase(std::mt19937_64& rng, int exponent) {
    return std::ldexp(1.0 + static_cast<double>(rng() >> 11) * 0x1p-53, exponent);
}

TEST(PairSteps, PhaseStepGivesTheBinary128Double) {
    std::mt19937_64 rng(3);
    for (const Wide increment : Increments()) {
        const PairPhaseStep<Wide> step(increment);
        for (int exponent = -4; exponent <= 30; ++exponent) {
            for (int i = 0; i < 3000; ++i) {
                const double phase = RandomPhase(rng, exponent);
                double next = 0.0;
                ASSERT_TRUE(step.NextByPairs(phase, next)) << phase;
                ASSERT_EQ(next, static_cast<double>(phase + increment)) << phase;
            }
        }
    }
}

// Along the synthesis's own path: the phase runs on by a tone's step, the state follows it.
TEST(PairSteps, FilterStepGivesTheBinary128DoubleForEveryCoefficient) {
    std::mt19937_64 rng(4);
    std::uniform_real_distribution<double> lag(0.0, 4.0);
    const PairPhaseStep<Wide> tone(kSymbols[kLeadInTone].increment);
    constexpr int kRuns = 10;
    constexpr int kStepsPerRun = 400;
    for (int percent = 0; percent <= 100; ++percent) {
        const double alpha = percent / 100.0;  // as the window and --alpha set it
        const PairFilterStep<Wide> step(alpha);
        const Wide a = alpha;
        int decided = 0;
        for (int run = 0; run < kRuns; ++run) {
            double phase = RandomPhase(rng, static_cast<int>(rng() % 30));
            double s = phase - lag(rng);
            for (int i = 0; i < kStepsPerRun; ++i) {
                phase = tone.Next(phase);
                const double expected = static_cast<double>(a * phase + (Wide(1) - a) * s);
                double y = 0.0;
                if (step.NextByPairs(phase, s, y)) {
                    ++decided;
                    ASSERT_EQ(y, expected) << alpha << " " << phase << " " << s;
                }
                s = expected;
            }
        }
        // Short coefficients (0.25, 0.5) meet exact midpoints now and then; the pairs leave
        // those to binary128.
        EXPECT_GT(decided, kRuns * kStepsPerRun * 99 / 100) << alpha;
    }
}

// Values at or next to a midpoint between doubles, where the pairs' last rounding or their
// dropped bits could decide wrongly, and values outside the pairs' exact range.
TEST(PairSteps, UndecidedStepsAreTakenInBinary128) {
    const Wide halfUlpOfOne = 0x1p-53;
    struct Case {
        const char* what;
        Wide increment;
        double phase;
    };
    const Case phaseCases[] = {
        {"exactly at a midpoint", 1 + halfUlpOfOne, 0.0},
        {"above a midpoint by a bit the pair drops", 1 + halfUlpOfOne + Wide(0x1p-110), 0.0},
        {"below a midpoint by a bit the pair drops", 1 + halfUlpOfOne - Wide(0x1p-110), 0.0},
        {"a midpoint after a sum", halfUlpOfOne, 1.0},
        {"infinite phase", 0.25, std::numeric_limits<double>::infinity()},
        {"no phase", 0.25, std::numeric_limits<double>::quiet_NaN()},
    };
    for (const auto& c : phaseCases) {
        const double expected = static_cast<double>(c.phase + c.increment);
        const double next = PairPhaseStep<Wide>(c.increment).Next(c.phase);
        EXPECT_TRUE(next == expected || (std::isnan(next) && std::isnan(expected))) << c.what;
    }

    struct FilterCase {
        const char* what;
        double alpha;
        double phase;
        double s;
    };
    const FilterCase filterCases[] = {
        {"exactly at a midpoint", 0.5, 1.0 + 0x1p-52, 1.0},
        {"products in the subnormal range", 0.3, 0x1p-1000, 0x1p-1010},
        {"a filter state too large to split", 0.3, 1.0, 0x1p1000},
        {"no filter state", 0.3, 1.0, std::numeric_limits<double>::quiet_NaN()},
    };
    for (const auto& c : filterCases) {
        const Wide a = c.alpha;
        const double expected = static_cast<double>(a * c.phase + (Wide(1) - a) * c.s);
        const double y = PairFilterStep<Wide>(c.alpha).Next(c.phase, c.s);
        EXPECT_TRUE(y == expected || (std::isnan(y) && std::isnan(expected))) << c.what;
    }
}
#else
TEST(PairSteps, NeedsBinary128) {
    GTEST_SKIP() << "the compiler has no __float128 to compare the pairs with";
}
#endif

}  // namespace
}  // namespace tornel::synthesis
