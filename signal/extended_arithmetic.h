#pragma once
// The x87 extended format's arithmetic (64-bit mantissa, each result rounded half to even) in
// integers, for targets without it: the exact fallback of the steps in pairs of doubles
// (signal/pair_steps.h), and the rounding of constants computed in a wider long double.
//
// Only what the synthesis needs: finite operands from doubles, products and sums of them. The
// extended exponent range holds every such result, so neither overflow nor subnormals occur
// before the final rounding to double, which handles both.

#include <bit>
#include <cmath>
#include <cstdint>

namespace tornel::synthesis {

__extension__ typedef unsigned __int128 Wide128;

// (-1)^negative * mantissa * 2^exponent; the mantissa has bit 63 set, or is 0 for a zero.
struct Extended {
    bool negative = false;
    std::uint64_t mantissa = 0;
    int exponent = 0;
};

namespace extended_detail {

inline constexpr int kMantissaBits = 64;

// The value of `bits` * 2^exponent rounded to a 64-bit mantissa, ties to even. `bits` carries
// a sticky 1 in bit 0 where nonzero bits were dropped below it (at least two bits under the
// rounding position, so that it never makes or breaks a tie).
inline Extended RoundBits(bool negative, Wide128 bits, int exponent) {
    if (bits == 0) {
        return {negative, 0, 0};
    }
    const auto high = static_cast<std::uint64_t>(bits >> 64);
    const int width = high != 0 ? 128 - std::countl_zero(high)
                                : 64 - std::countl_zero(static_cast<std::uint64_t>(bits));
    const int drop = width - kMantissaBits;
    if (drop <= 0) {
        return {negative, static_cast<std::uint64_t>(bits) << -drop, exponent + drop};
    }
    std::uint64_t kept = static_cast<std::uint64_t>(bits >> drop);
    const Wide128 rest = bits & ((Wide128{1} << drop) - 1);
    const Wide128 half = Wide128{1} << (drop - 1);
    int shift = drop;
    if (rest > half || (rest == half && (kept & 1) != 0)) {
        if (++kept == 0) {  // carried out of the mantissa: the next power of two
            kept = std::uint64_t{1} << 63;
            ++shift;
        }
    }
    return {negative, kept, exponent + shift};
}

}  // namespace extended_detail

// A finite double, exactly.
inline Extended ToExtended(double x) {
    if (x == 0) {
        return {std::signbit(x), 0, 0};
    }
    int exponent = 0;
    const double fraction = std::frexp(std::fabs(x), &exponent);  // in [0.5, 1)
    return {x < 0, static_cast<std::uint64_t>(std::ldexp(fraction, 64)), exponent - 64};
}

inline Extended Multiply(const Extended& a, const Extended& b) {
    const bool negative = a.negative != b.negative;
    if (a.mantissa == 0 || b.mantissa == 0) {
        return {negative, 0, 0};
    }
    return extended_detail::RoundBits(negative, Wide128{a.mantissa} * b.mantissa,
                                      a.exponent + b.exponent);
}

inline Extended Add(const Extended& a, const Extended& b) {
    if (b.mantissa == 0) {
        // x + 0 is x; of two zeros the sum is -0 only when both are.
        return a.mantissa != 0 ? a : Extended{a.negative && b.negative, 0, 0};
    }
    if (a.mantissa == 0) {
        return b;
    }
    // big >= small in magnitude; both placed with bit 63 of the mantissa at bit 126, which
    // leaves room for a carry and 63 bits under the rounding position.
    const bool aFirst =
        a.exponent > b.exponent || (a.exponent == b.exponent && a.mantissa >= b.mantissa);
    const Extended& big = aFirst ? a : b;
    const Extended& small = aFirst ? b : a;
    const Wide128 bigBits = Wide128{big.mantissa} << 63;
    const Wide128 smallAligned = Wide128{small.mantissa} << 63;
    const int gap = big.exponent - small.exponent;
    Wide128 smallBits = 1;  // only the sticky bit is left of a far smaller operand
    if (gap < 127) {
        smallBits = smallAligned >> gap;
        if ((smallBits << gap) != smallAligned) {
            smallBits |= 1;
        }
    }
    const int exponent = big.exponent - 63;
    if (big.negative == small.negative) {
        return extended_detail::RoundBits(big.negative, bigBits + smallBits, exponent);
    }
    if (bigBits == smallBits) {
        return {false, 0, 0};  // an exact cancellation gives +0
    }
    return extended_detail::RoundBits(big.negative, bigBits - smallBits, exponent);
}

// The conversion to double: half to even on the double's grid, subnormals and overflow included.
inline double ToDouble(const Extended& x) {
    const double sign = x.negative ? -1.0 : 1.0;
    if (x.mantissa == 0) {
        return sign * 0.0;
    }
    constexpr int kMantissaDrop = extended_detail::kMantissaBits - 53;
    constexpr int kLowestExponent = -1074;  // of the smallest subnormal
    int drop = kMantissaDrop;
    if (x.exponent + drop < kLowestExponent) {
        drop = kLowestExponent - x.exponent;
    }
    if (drop > 65) {
        return sign * 0.0;  // below half the smallest subnormal
    }
    const Wide128 bits = x.mantissa;
    Wide128 kept = bits >> drop;
    const Wide128 rest = bits & ((Wide128{1} << drop) - 1);
    const Wide128 half = Wide128{1} << (drop - 1);
    if (rest > half || (rest == half && (kept & 1) != 0)) {
        ++kept;  // at most 2^53: still exact in a double
    }
    return sign * std::ldexp(static_cast<double>(kept), x.exponent + drop);  // inf past the top
}

// The number of significant bits of a binary floating type, at compile time.
template <typename Wide>
constexpr int SignificantBits() {
    int bits = 1;
    Wide step = 0.5;
    while (Wide(1) + step != Wide(1)) {
        ++bits;
        step /= 2;
    }
    return bits;
}

// x rounded to the 64-bit mantissa, ties to even, computed in Wide: a no-op where Wide is the
// x87 format itself, an exact rounding where Wide is wider (binary128). Normal range only.
template <typename Wide>
constexpr Wide RoundToExtendedPrecision(Wide x) {
    constexpr int kBits = SignificantBits<Wide>();
    if constexpr (kBits <= extended_detail::kMantissaBits) {
        return x;
    } else {
        const Wide magnitude = x < 0 ? -x : x;
        if (magnitude == 0) {
            return x;
        }
        Wide unit = 1;  // 2^e with 2^e <= |x| < 2^(e+1)
        while (unit > magnitude) {
            unit /= 2;
        }
        while (unit * 2 <= magnitude) {
            unit *= 2;
        }
        // 1.5 * 2^(e + kBits - 64): the last place of this constant is x's 64th bit, so adding it
        // rounds x there, ties to even, and subtracting it again is exact.
        Wide shifter = unit * 1.5;
        for (int i = extended_detail::kMantissaBits; i < kBits; ++i) {
            shifter *= 2;
        }
        return (x + shifter) - shifter;
    }
}

}  // namespace tornel::synthesis
