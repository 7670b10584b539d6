#include "ptt/pattern_keying.h"

#include <optional>

namespace tornel::ptt {

namespace {

constexpr double kLeadInSeconds = 2.0;  // a run starts at pattern time -2

}  // namespace

std::chrono::milliseconds PatternLimit(const PttTrainer& trainer) {
    const double seconds = kLeadInSeconds + trainer.PttEnd2();
    return std::chrono::milliseconds(static_cast<long long>(seconds * 1000.0)) + kHardLimitMargin;
}

void KeyPattern(PttTrainer& trainer, platform::Clock& clock, KeyedSession& session,
                const std::function<void(const PatternEdge&)>& onEdge) {
    trainer.Press(kCaptionStart);
    try {
        for (;;) {
            const TickResult tick = trainer.Tick();
            if (session.Follow(tick.pttOn)) {
                onEdge({tick.patternTime, tick.pttOn});
            }
            if (tick.runEnded) {
                break;
            }
            // The next reading: just past an edge due before the regular tick, from the moment
            // this tick read the clock (keying took some of that time).
            const std::optional<int> edgeMs = trainer.EdgeTickDelayMs(tick.patternTime);
            const double ahead = (edgeMs ? *edgeMs : kRunTickMs) / 1000.0;
            clock.WaitUntil(trainer.RunStart() +
                            platform::Seconds(tick.patternTime + kLeadInSeconds + ahead));
        }
    } catch (...) {
        trainer.Press(kCaptionStop);
        session.Release();
        throw;
    }
    trainer.Press(kCaptionStop);
    session.Release();
}

}  // namespace tornel::ptt
