#pragma once
// The carrier pattern of parameter 10 keyed on a transmitter from a terminal, with the trainer's
// own timing: the run starts 2 s before the first PTT and each edge is keyed at the first reading
// of the clock past it, as the window's run does.

#include <chrono>
#include <functional>

#include "ptt/keyed_session.h"
#include "trainer/ptt_trainer.h"

namespace tornel::ptt {

struct PatternEdge {
    double patternTime;  // when the edge was keyed, in the trainer's pattern time
    bool keyed;          // PTT pressed (true) or released
};

// How long a run may keep the transmitter keyed: the lead-in, the pattern and the margin.
std::chrono::milliseconds PatternLimit(const PttTrainer& trainer);

// One run of `trainer` (its pattern drawn with Redraw beforehand) on `clock`, keying `session`
// in the pattern's "передача" phases and calling `onEdge` after each edge has been keyed. Returns
// at the run's end with the transmitter released; a PttError releases it and ends the run.
void KeyPattern(PttTrainer& trainer, platform::Clock& clock, KeyedSession& session,
                const std::function<void(const PatternEdge&)>& onEdge);

}  // namespace tornel::ptt
