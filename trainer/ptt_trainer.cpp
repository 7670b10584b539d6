#include "trainer/ptt_trainer.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace tornel {
namespace {

constexpr double kRestTime = -2.0;  // where every run begins: 2 s of lead-in before the first PTT
constexpr double kPatternLeft = -2.5;
constexpr double kCursorBottom = -0.3;
constexpr double kCursorTop = 1.3;

// The durations are read from the window unclamped; a sum that leaves 32 bits saturates instead
// of overflowing.
std::int32_t SaturatedSum(std::int64_t a, std::int64_t b) {
    using Limits = std::numeric_limits<std::int32_t>;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(a + b, Limits::min(), Limits::max()));
}

}  // namespace

CursorPoints CursorAt(double patternTime) {
    return {{{patternTime, kCursorBottom}, {patternTime, kCursorTop}}};
}

ChartRange PatternChartRange(const PatternDrawing& drawing) {
    constexpr double kLevelMargin = 0.5;
    ChartRange range{.left = drawing.pattern.front().x,
                     .right = drawing.cursor.front().x,
                     .bottom = drawing.pattern.front().y,
                     .top = drawing.pattern.front().y};
    for (const ChartPoint& p : drawing.pattern) {
        range.right = std::max(range.right, p.x);
        range.bottom = std::min(range.bottom, p.y);
        range.top = std::max(range.top, p.y);
    }
    range.bottom -= kLevelMargin;
    range.top += kLevelMargin;
    return range;
}

PttTrainer::PttTrainer(const platform::Clock& clock) : clock_(clock) {}

PatternDrawing PttTrainer::Redraw(std::int32_t firstPtt, std::int32_t pause,
                                  std::int32_t secondPtt) {
    const bool stoppedRun = std::exchange(running_, false);
    if (stoppedRun) {
        // The pattern the operator was following is gone: the PTT counts as released, so the
        // next run starts quiet instead of sounding the end of a PTT that no longer exists.
        pttOn_ = false;
        pttOnPrev_ = false;
    }
    pttEnd1_ = firstPtt;
    pauseEnd_ = SaturatedSum(pttEnd1_, pause);
    pttEnd2_ = SaturatedSum(pauseEnd_, secondPtt);
    runEnd_ = SaturatedSum(pttEnd2_, 1);

    const double e1 = pttEnd1_;
    const double p = pauseEnd_;
    const double e2 = pttEnd2_;
    PatternDrawing drawing{};
    drawing.pattern = {{{kPatternLeft, 0},
                        {0, 0},
                        {0, 1},
                        {e1, 1},
                        {e1, 0},
                        {p, 0},
                        {p, 1},
                        {e2, 1},
                        {e2, 0},
                        {e2 + 2, 0}}};
    drawing.cursor = CursorAt(kRestTime);
    drawing.stoppedRun = stoppedRun;
    return drawing;
}

PressResult PttTrainer::Press(std::string_view caption) {
    running_ = caption == kCaptionStart;
    if (running_) {
        runStart_ = clock_.Now();
    }
    // A stop asks for the redraw, which the window runs next: it stops the run too.
    return {.caption = running_ ? kCaptionStop : kCaptionStart,
            .running = running_,
            .redraw = !running_,
            .filterCoefficient = kTrainerFilterCoefficient};
}

bool PttTrainer::PressedAt(double t) const {
    // Strict on both sides: at each edge itself the PTT counts as released.
    return (0 < t && t < pttEnd1_) || (pauseEnd_ < t && t < pttEnd2_);
}

std::optional<int> PttTrainer::EdgeTickDelayMs(double patternTime) const {
    const double edges[] = {0.0, static_cast<double>(pttEnd1_), static_cast<double>(pauseEnd_),
                            static_cast<double>(pttEnd2_)};
    double ahead = kRunTickMs / 1000.0;
    for (const double edge : edges) {
        if (edge > patternTime) {
            ahead = std::min(ahead, edge - patternTime);
        }
    }
    if (ahead >= kRunTickMs / 1000.0) {
        return std::nullopt;
    }
    // The next whole millisecond strictly past the edge. The microsecond added first keeps a
    // distance of exactly k ms, computed a hair short of k, from landing on the edge itself.
    return static_cast<int>(std::floor(ahead * 1000.0 + 1e-3)) + 1;
}

TickResult PttTrainer::Tick() {
    const double t = (clock_.Now() - runStart_).count() + kRestTime;
    pttOn_ = PressedAt(t);

    int beepHz = 0;
    if (pttOn_ && !pttOnPrev_) {
        beepHz = kPttStartBeepHz;
    } else if (!pttOn_ && pttOnPrev_) {
        beepHz = kPttEndBeepHz;
    }
    pttOnPrev_ = pttOn_;

    return {.patternTime = t,
            .cursor = CursorAt(t),
            .pttOn = pttOn_,
            .indicatorColour = pttOn_ ? kIndicatorPressed : kIndicatorReleased,
            .labelVisible = pttOn_,
            .beepHz = beepHz,
            .runEnded = t > runEnd_};
}

}  // namespace tornel
