#pragma once
// The phase and filter steps of the synthesis in pairs of doubles, for targets whose long double
// is binary128 done in software (WebAssembly, 64-bit ARM), where each long double operation is a
// library call and the two steps cost most of a send.
//
// Why the doubles come out the same: both steps end in one rounding of a wide value to double,
// next = double(phase + increment) and y = double(alpha * phase + beta * s). The pairs hold that
// wide value to within 2^-100 of its size (the products and sums below are exact, only the last
// additions of small parts round). A double decided by the pairs is checked by rounding the pair
// value moved down and up by kMargin (2^-96 of its size, far more than every error above and the
// long double's own rounding to 113 bits): when both round to the same double, every value in
// between does too, the long double's among them. When they differ, the value lies at a hair from
// a midpoint between two doubles: an exact midpoint the pairs hold exactly is rounded as it is,
// anything else (about once in 2^43 steps) is done in long double.

#include <cmath>

namespace tornel::synthesis {

// The value high + low, |low| at most half a unit in the last place of high.
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

// The rounding of high + tail to double when the true value, known to within kMargin * scale,
// cannot round otherwise; false when it might.
inline bool RoundSafely(double high, double tail, double scale, double& rounded) {
    constexpr double kMargin = 0x1p-96;
    const double margin = scale * kMargin;
    const double down = high + (tail - margin);
    const double up = high + (tail + margin);
    rounded = down;
    return down == up;  // false for a NaN too
}

// double(phase + increment) with the increment of type Wide (binary128).
template <typename Wide>
class PairPhaseStep {
  public:
    explicit PairPhaseStep(Wide increment)
        : increment_(increment),
          high_(static_cast<double>(increment)),
          low_(static_cast<double>(increment - high_)),
          scaleOfIncrement_(std::fabs(high_)) {}

    double Next(double phase) const {
        double next = 0.0;
        if (NextByPairs(phase, next)) [[likely]] {
            return next;
        }
        return static_cast<double>(phase + increment_);
    }

    // The pairs' step alone: false where it leaves the step to the wide type.
    bool NextByPairs(double phase, double& next) const {
        const DoublePair sum = TwoSum(phase, high_);
        return RoundSafely(sum.high, sum.low + low_, std::fabs(phase) + scaleOfIncrement_, next);
    }

  private:
    Wide increment_;
    double high_;
    double low_;  // the increment's next 53 bits; the rest, below 2^-105 of it, is left out
    double scaleOfIncrement_;
};

// double(alpha * phase + beta * s) with alpha and beta = 1 - alpha of type Wide.
template <typename Wide>
class PairFilterStep {
  public:
    explicit PairFilterStep(double alpha)
        : alpha_(alpha),
          beta_(Wide(1) - alpha_),
          alphaFactor_(alpha),
          betaPair_(TwoSum(1.0, -alpha)),  // exact: 1 - alpha is betaPair_.high + betaPair_.low
          betaFactor_(betaPair_.high) {}

    double Next(double phase, double s) const {
        double y = 0.0;
        if (NextByPairs(phase, s, y)) [[likely]] {
            return y;
        }
        return static_cast<double>(alpha_ * phase + beta_ * s);
    }

    bool NextByPairs(double phase, double s, double& y) const {
        const DoublePair p = TwoProduct(alphaFactor_, phase);
        const DoublePair q = TwoProduct(betaFactor_, s);
        const DoublePair sum = TwoSum(p.high, q.high);
        const double tail = sum.low + (p.low + (q.low + betaPair_.low * s));
        const double scale = std::fabs(p.high) + std::fabs(q.high);
        // Products near the subnormal range lose their exactness; exact zeros keep it.
        if (!(scale >= kSmallestScale) && !ExactZeroProducts(phase, s)) [[unlikely]] {
            return false;
        }
        if (RoundSafely(sum.high, tail, scale, y)) [[likely]] {
            return true;
        }
        return RoundExactValue(p, q, sum, y);
    }

  private:
    // Undecided steps are mostly exact midpoints, which a short coefficient (0.25, 0.5) meets
    // often. When beta is a double and the small parts add without rounding, the pairs hold the
    // exact value, and next to a midpoint it has at most 107 bits: binary128 keeps it as it is,
    // so one rounding of it gives the wide type's double.
    bool RoundExactValue(const DoublePair& p, const DoublePair& q, const DoublePair& sum,
                         double& y) const {
        if (betaPair_.low != 0) {
            return false;
        }
        const DoublePair small = TwoSum(p.low, q.low);
        const DoublePair tail = TwoSum(sum.low, small.high);
        if (small.low != 0 || tail.low != 0) {  // also for a NaN
            return false;
        }
        y = sum.high + tail.high;
        return true;
    }

    static constexpr double kSmallestScale = 0x1p-900;

    bool ExactZeroProducts(double phase, double s) const {
        return (alpha_ == 0 || phase == 0) && (betaPair_.high == 0 || s == 0);
    }

    Wide alpha_;
    Wide beta_;
    SplitFactor alphaFactor_;
    DoublePair betaPair_;
    SplitFactor betaFactor_;
};

}  // namespace tornel::synthesis
