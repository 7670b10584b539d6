#pragma once
// The phase and filter steps of the synthesis in pairs of doubles, for targets whose long double
// is not the x87 format that defines the signal (WebAssembly and 64-bit ARM have binary128 done
// in software, where each operation is a library call and the steps would cost most of a send).
//
// The steps, as x87 runs them: next = double(phase + increment) and y = double(alpha * phase +
// beta * s), with the increment and beta = 1 - alpha held in the 64-bit mantissa and each
// operation rounded to it before the result is rounded to double. The pairs hold the exact value
// of each expression to within 2^-100 of its size (the products and sums below are exact, only
// the last additions of small parts round); the x87 roundings move it by at most 2^-64 of its
// size per operation. A double decided by the pairs is checked by rounding the pair value moved
// down and up by a margin twice those roundings: when both round to the same double, so does
// every value in between, the x87 result among them. When they differ (never for the tones'
// phase steps below 2^52; for the filter one step in 600 at --alpha 1, one in 40 000 over all
// the coefficients in hundredths) the step is done exactly in the x87 format in integers
// (signal/extended_arithmetic.h).

#include <cmath>

#include "signal/extended_arithmetic.h"

namespace tornel::synthesis {

// The value high + low, |low| below a unit in the last place of high.
struct DoublePair {
    double high;
    double low;
};

// a + b exactly (Knuth's two-sum; no condition on the operands).
constexpr DoublePair TwoSum(double a, double b) {
    const double sum = a + b;
    const double bPart = sum - a;
    const double aPart = sum - bPart;
    return {sum, (a - aPart) + (b - bPart)};
}

// A factor cut in two halves of at most 26 significant bits, so that products of halves are
// exact (Veltkamp's split; |a| below 2^995).
struct SplitFactor {
    explicit SplitFactor(double a) : value(a) {
        constexpr double kSplitter = 0x1p27 + 1.0;
        const double scaled = kSplitter * a;
        high = scaled - (scaled - a);
        low = a - high;
    }
    double value;
    double high = 0.0;
    double low = 0.0;
};

// a * b exactly, as long as the product neither overflows nor comes near the subnormal range.
// Where the hardware fuses multiply and add (64-bit ARM) one fma gives the low part; elsewhere
// (WebAssembly has no fma instruction) Dekker's product of the halves does.
inline DoublePair TwoProduct(const SplitFactor& a, double b) {
    const double product = a.value * b;
#ifdef FP_FAST_FMA
    return {product, std::fma(a.value, b, -product)};
#else
    const SplitFactor bs(b);
    const double low =
        (((a.high * bs.high - product) + a.high * bs.low) + a.low * bs.high) + a.low * bs.low;
    return {product, low};
#endif
}

// The rounding of high + tail to double when the true value, known to within `margin`, cannot
// round otherwise; false when it might.
inline bool RoundSafely(double high, double tail, double margin, double& rounded) {
    const double down = high + (tail - margin);
    const double up = high + (tail + margin);
    rounded = down;
    return down == up;  // false for a NaN too
}

// An extended value cut after its first 53 bits: high + low exactly, both of its sign.
inline DoublePair PairOf(const Extended& x) {
    constexpr std::uint64_t kLowBits = (std::uint64_t{1} << 11) - 1;
    const double sign = x.negative ? -1.0 : 1.0;
    return {sign * std::ldexp(static_cast<double>(x.mantissa & ~kLowBits), x.exponent),
            sign * std::ldexp(static_cast<double>(x.mantissa & kLowBits), x.exponent)};
}

// A value of at most 64 significant bits held in a wider type, as an extended value.
template <typename Wide>
Extended ToExtended(Wide x) {
    const auto high = static_cast<double>(x);
    return Add(ToExtended(high), ToExtended(static_cast<double>(x - high)));
}

// double(phase + increment) with an x87 increment (its 64 bits given in any wider type).
class PairPhaseStep {
  public:
    template <typename Wide>
    explicit PairPhaseStep(Wide increment)
        : increment_(ToExtended(increment)),
          high_(PairOf(increment_).high),
          low_(PairOf(increment_).low),
          scaleOfIncrement_(std::fabs(high_)) {}

    double Next(double phase) const {
        double next = 0.0;
        if (NextByPairs(phase, next)) [[likely]] {
            return next;
        }
        return NextExactly(phase);
    }

    // The pairs' step alone: false where it leaves the step to the exact one.
    bool NextByPairs(double phase, double& next) const {
        constexpr double kMargin = 0x1p-63;  // the one rounding to 64 bits, twice over
        const DoublePair sum = TwoSum(phase, high_);
        return RoundSafely(sum.high, sum.low + low_,
                           (std::fabs(phase) + scaleOfIncrement_) * kMargin, next);
    }

    double NextExactly(double phase) const {
        if (!std::isfinite(phase)) {
            return phase + high_;
        }
        return ToDouble(Add(ToExtended(phase), increment_));
    }

  private:
    Extended increment_;
    double high_;
    double low_;  // the increment's last 11 bits
    double scaleOfIncrement_;
};

// double(alpha * phase + beta * s) with beta = 1 - alpha rounded to 64 bits, as x87 runs it.
class PairFilterStep {
  public:
    explicit PairFilterStep(double alpha)
        : alpha_(alpha),
          beta_(std::isfinite(alpha) ? Add(ToExtended(1.0), ToExtended(-alpha)) : Extended{}),
          betaPair_(std::isfinite(alpha) ? PairOf(beta_) : DoublePair{1.0 - alpha, 0.0}),
          alphaFactor_(alpha),
          betaFactor_(betaPair_.high) {}

    double Next(double phase, double s) const {
        double y = 0.0;
        if (NextByPairs(phase, s, y)) [[likely]] {
            return y;
        }
        return NextExactly(phase, s);
    }

    bool NextByPairs(double phase, double s, double& y) const {
        constexpr double kMargin = 0x1p-62;  // three roundings to 64 bits, with room
        const DoublePair p = TwoProduct(alphaFactor_, phase);
        const DoublePair q = TwoProduct(betaFactor_, s);
        const DoublePair sum = TwoSum(p.high, q.high);
        const double tail = sum.low + (p.low + (q.low + betaPair_.low * s));
        const double scale = std::fabs(p.high) + std::fabs(q.high);
        if (scale >= kSmallestScale) [[likely]] {
            return RoundSafely(sum.high, tail, scale * kMargin, y);
        }
        if (ExactZeroProducts(phase, s)) {  // --alpha 0 from a zero state stays here
            y = p.high + q.high;
            return true;
        }
        return false;  // products near the subnormal range lose their exactness
    }

    double NextExactly(double phase, double s) const {
        if (!std::isfinite(alpha_) || !std::isfinite(phase) || !std::isfinite(s)) {
            return alpha_ * phase + betaPair_.high * s;
        }
        const Extended p = Multiply(ToExtended(alpha_), ToExtended(phase));
        return ToDouble(Add(p, Multiply(beta_, ToExtended(s))));
    }

  private:
    static constexpr double kSmallestScale = 0x1p-900;

    bool ExactZeroProducts(double phase, double s) const {
        return (alpha_ == 0 || phase == 0) && (betaPair_.high == 0 || s == 0);
    }

    double alpha_;
    Extended beta_;
    DoublePair betaPair_;
    SplitFactor alphaFactor_;
    SplitFactor betaFactor_;
};

}  // namespace tornel::synthesis
