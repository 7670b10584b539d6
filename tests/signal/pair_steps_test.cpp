// The synthesis steps in pairs of doubles and the integer x87 arithmetic behind them, the ones
// WebAssembly and 64-bit ARM run, against the real x87 long double of x86: the same doubles
// for random phases, filter states and coefficients, on the fast path and on the exact one.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <random>

#include "signal/pair_steps.h"
#include "signal/synthesizer_detail.h"

namespace tornel::synthesis {
namespace {

#if LDBL_MANT_DIG == 64 && defined(__SIZEOF_FLOAT128__)
// A double with a random mantissa in the binade of 2^exponent, of either sign when asked.
double RandomDouble(std::mt19937_64& rng, int exponent, bool anySign = false) {
    const double x = std::ldexp(1.0 + static_cast<double>(rng() >> 11) * 0x1p-53, exponent);
    return anySign && (rng() & 1) != 0 ? -x : x;
}

// The increments as a binary128 target computes them, and the step's binary128 rounding.
TEST(PairSteps, IncrementsAndRoundingInBinary128AreTheX87Ones) {
    for (std::size_t i = 0; i < kSymbols.size(); ++i) {
        const long double asWritten =
            2.0L * 3.14159265358979323846264338327950288L * kToneHz[i] / kSampleRate;
        EXPECT_EQ(kSymbols[i].increment, asWritten) << i;
        EXPECT_EQ(static_cast<long double>(ExtendedPhaseIncrement<__float128>(kToneHz[i])),
                  asWritten)
            << i;
    }
    std::mt19937_64 rng(5);
    for (int exponent = -60; exponent <= 60; ++exponent) {
        const __float128 wide = __float128(RandomDouble(rng, exponent, true)) +
                                __float128(RandomDouble(rng, exponent - 53)) +
                                __float128(RandomDouble(rng, exponent - 106));
        // Ties at the 64th bit, and values one binary128 unit away from them.
        const __float128 tie = RoundToExtendedPrecision(wide) + std::ldexp(1.0, exponent - 64);
        for (const __float128 x :
             {wide, tie, tie + tie * __float128(0x1p-112), tie - tie * __float128(0x1p-112)}) {
            EXPECT_EQ(static_cast<long double>(RoundToExtendedPrecision(x)),
                      static_cast<long double>(x))
                << exponent;
        }
    }
}

// Each phase step and filter step, both through Next and through the exact integer path alone,
// along the synthesis's own path from phases in every binade up to 2^31, for every coefficient
// the window and --alpha set and random ones.
TEST(PairSteps, StepsGiveTheX87Doubles) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> lag(0.0, 4.0);
    std::uniform_real_distribution<double> anyAlpha(0.0, 1.0);
    constexpr int kSteps = 200;
    int undecided = 0;
    int steps = 0;
    for (int k = 0; k <= 140; ++k) {
        const long double increment =
            kSymbols[static_cast<std::size_t>(k) % kSymbols.size()].increment;
        const PairPhaseStep tone(increment);
        const double alpha = k <= 100 ? k / 100.0 : anyAlpha(rng);
        const PairFilterStep filter(alpha);
        const long double a = alpha;
        const long double beta = 1.0L - a;
        for (int exponent = -4; exponent <= 31; ++exponent) {
            double phase = RandomDouble(rng, exponent);
            double s = phase - lag(rng);
            for (int i = 0; i < kSteps; ++i, ++steps) {
                const auto next = static_cast<double>(phase + increment);
                ASSERT_EQ(tone.Next(phase), next) << phase;
                ASSERT_EQ(tone.NextExactly(phase), next) << phase;
                phase = next;
                const auto y = static_cast<double>(a * phase + beta * s);
                double fast = 0.0;
                undecided += filter.NextByPairs(phase, s, fast) ? 0 : 1;
                ASSERT_EQ(filter.Next(phase, s), y) << alpha << " " << phase << " " << s;
                ASSERT_EQ(filter.NextExactly(phase, s), y) << alpha << " " << phase << " " << s;
                s = y;
            }
        }
    }
    EXPECT_LT(undecided, steps / 100) << "the pairs should decide nearly every step";
}

// The integer arithmetic on its own, as the filter step uses it (two products and their sum):
// random doubles of every size and sign, and the cases where roundings meet ties, carries,
// cancellation, subnormal and overflowing doubles.
TEST(PairSteps, ExtendedArithmeticIsTheX87One) {
    const auto check = [](double a, double b, double c, double d) {
        const long double x87 = static_cast<long double>(a) * b + static_cast<long double>(c) * d;
        const Extended emulated =
            Add(Multiply(ToExtended(a), ToExtended(b)), Multiply(ToExtended(c), ToExtended(d)));
        const auto expected = static_cast<double>(x87);
        const double got = ToDouble(emulated);
        EXPECT_TRUE(got == expected && std::signbit(got) == std::signbit(expected))
            << a << " * " << b << " + " << c << " * " << d << ": " << got << " instead of "
            << expected;
    };
    std::mt19937_64 rng(7);
    for (int i = 0; i < 20000; ++i) {
        const auto e = static_cast<int>(rng() % 1900) - 950;
        const auto gap = static_cast<int>(rng() % 140) - 70;
        check(RandomDouble(rng, e / 2, true), RandomDouble(rng, e / 2 + gap % 3, true),
              RandomDouble(rng, e + gap, true), i % 2 == 0 ? 1.0 : RandomDouble(rng, 0, true));
    }
    const double ulp = 0x1p-52;
    const struct {
        double a, b, c, d;
    } cases[] = {
        {1.0 + ulp, 1.0 + ulp, 0.0, 1.0},          // 1 + 2^-51 + 2^-104: no tie at 64 bits
        {1.0 + 0x1p-32, 1.0 + 0x1p-32, 0.0, 1.0},  // 1 + 2^-31 + 2^-64: a tie at 64, even
        {1.0, 1.0 + ulp, 0x1p-53, 1.0},            // at a midpoint of doubles, exactly
        {1.0, 1.0, 0x1p-53 + 0x1p-64, 1.0},        // rounds to a midpoint at 64: double rounding
        // A midpoint of doubles plus a tie at 64 bits and a last bit that only the sticky bit
        // keeps: (1 + 2^-26)(1 + 2^-27) + 2^-64 (1 + 2^-63) rounds up twice.
        {1.0 + 0x1p-26, 1.0 + 0x1p-27, 0x1p-64 * (1.0 + 0x1p-21), 1.0 - 0x1p-21 + 0x1p-42},
        {1.0, 1.0, -0x1p-54 - 0x1p-66, 1.0},  // below a power of two
        {1.0, 2.0, -0x1p-65, 1.0},            // a carry to the next power of two
        {3.0, 1.0, -3.0, 1.0},                // exact cancellation: +0
        {-0.0, 1.0, -0.0, 1.0},               // -0 + -0
        {0x1p-1000, 0x1.8p-74, 0.0, 1.0},     // a tie between subnormal doubles
        {0x1p-1000, 0x1p-75, 0.0, 1.0},       // half the smallest subnormal: 0
        {DBL_MAX, 1.0, DBL_MAX, 1.0},         // past the largest double: inf
    };
    for (const auto& c : cases) {
        check(c.a, c.b, c.c, c.d);
    }
}
#else
TEST(PairSteps, NeedsX87) {
    GTEST_SKIP() << "the pairs are checked against the x87 long double of x86";
}
#endif

}  // namespace
}  // namespace tornel::synthesis
