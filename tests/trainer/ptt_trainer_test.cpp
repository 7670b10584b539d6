#include "trainer/ptt_trainer.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/trainer/recording_tone_output.h"
#include "trainer/speaker_services.h"

namespace tornel {
namespace {

using platform::Seconds;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

// The trainer wired up as the window wires it: the three handlers in a few lines each, a fake
// clock, a tone output that records each beep and takes its 20 ms on the clock.
class TrainerRig {
  public:
    explicit TrainerRig(double startSeconds = 1000.0) : clock(Seconds{startSeconds}) {
        SpinEdit_10Change();
    }

    void SpinEdit_10Change() {
        drawing = trainer.Redraw(first, pause, second);
        if (drawing.stoppedRun) {
            caption = kCaptionStart;
            indicatorColour = kIndicatorReleased;
            labelVisible = false;
        }
    }

    void Button_SoundClick() {
        const PressResult r = trainer.Press(caption);
        caption = r.caption;
        if (r.redraw) {
            SpinEdit_10Change();
        }
        filterCoefficient = r.filterCoefficient;
    }

    TickResult Timer1Timer() {
        const TickResult r = trainer.Tick();
        drawing.cursor = r.cursor;
        indicatorColour = r.indicatorColour;
        labelVisible = r.labelVisible;
        if (r.beepHz != 0) {
            speaker.SpeakerBeep(r.beepHz, kEdgeBeepMs);
        }
        if (r.runEnded) {
            speaker.WaitUnits(kRunEndWaitUnits);
            Button_SoundClick();
        }
        return r;
    }

    // Ticks every `step` until the run is over (or `until`, pattern time, is passed).
    std::vector<TickResult> Run(Seconds step, std::optional<double> until = std::nullopt) {
        std::vector<TickResult> ticks;
        while (trainer.IsRunning()) {
            clock.Advance(step);
            ticks.push_back(Timer1Timer());
            if (until && ticks.back().patternTime > *until) {
                break;
            }
        }
        return ticks;
    }

    double PatternTimeNow() const { return (clock.Now() - trainer.RunStart()).count() - 2.0; }

    platform::FakeClock clock;
    fakes::RecordingToneOutput tone{&clock};
    platform::RecordingPorts ports;
    SpeakerServices speaker{platform::PlatformFamily::Nt, tone, ports, clock};
    PttTrainer trainer{clock};

    std::int32_t first = 2;
    std::int32_t pause = 3;
    std::int32_t second = 4;
    std::string caption = kCaptionStart;
    double filterCoefficient = 0.55;
    PatternDrawing drawing{};
    std::uint32_t indicatorColour = kIndicatorReleased;
    bool labelVisible = true;
};

constexpr Seconds kTick{0.010};

// The pattern time at which each beep began.
std::vector<double> BeepPatternTimes(const TrainerRig& rig, Seconds runStart) {
    std::vector<double> times;
    for (const auto& beep : rig.tone.beeps()) {
        times.push_back((beep.at - runStart).count() - 2.0);
    }
    return times;
}

TEST(PttPattern, DesignDurationsGiveTheTenPointsAndRunEnd) {
    TrainerRig rig;
    EXPECT_THAT(rig.drawing.pattern,
                ElementsAre(ChartPoint{-2.5, 0}, ChartPoint{0, 0}, ChartPoint{0, 1},
                            ChartPoint{2, 1}, ChartPoint{2, 0}, ChartPoint{5, 0}, ChartPoint{5, 1},
                            ChartPoint{9, 1}, ChartPoint{9, 0}, ChartPoint{11, 0}));
    EXPECT_THAT(rig.drawing.cursor, ElementsAre(ChartPoint{-2, -0.3}, ChartPoint{-2, 1.3}));
    EXPECT_EQ(rig.trainer.PttEnd1(), 2);
    EXPECT_EQ(rig.trainer.PauseEnd(), 5);
    EXPECT_EQ(rig.trainer.PttEnd2(), 9);
    EXPECT_EQ(rig.trainer.RunEnd(), 10);
}

TEST(PttPattern, EndsAccumulateFromEachDuration) {
    TrainerRig rig;
    const PatternDrawing d = rig.trainer.Redraw(6, 2, 10);
    EXPECT_EQ(d.pattern[3], (ChartPoint{6, 1}));
    EXPECT_EQ(d.pattern[6], (ChartPoint{8, 1}));
    EXPECT_EQ(d.pattern[8], (ChartPoint{18, 0}));
    EXPECT_EQ(d.pattern[9], (ChartPoint{20, 0}));
    EXPECT_EQ(rig.trainer.RunEnd(), 19);
}

// The axes hold the whole pattern and a cursor that ran past it, with half a level to spare.
TEST(PttPattern, ChartRangeHoldsThePatternAndTheCursor) {
    TrainerRig rig;
    PatternDrawing d = rig.drawing;
    const ChartRange design = PatternChartRange(d);
    EXPECT_EQ(design.left, d.pattern.front().x);
    EXPECT_EQ(design.right, d.pattern.back().x);
    EXPECT_EQ(design.bottom, -0.5);
    EXPECT_EQ(design.top, 1.5);
    d.cursor = CursorAt(d.pattern.back().x + 3);
    EXPECT_EQ(PatternChartRange(d).right, d.pattern.back().x + 3);
}

TEST(PttPattern, HugeDurationsSaturateInsteadOfOverflowing) {
    TrainerRig rig;
    rig.trainer.Redraw(2'000'000'000, 2'000'000'000, 2'000'000'000);
    EXPECT_EQ(rig.trainer.PttEnd2(), 2147483647);
    EXPECT_EQ(rig.trainer.RunEnd(), 2147483647);
}

TEST(PttRun, EveryEdgeItselfCountsAsReleased) {
    TrainerRig rig;
    rig.Button_SoundClick();
    const Seconds start = rig.trainer.RunStart();
    auto pressedAt = [&](double t) {
        rig.clock.Set(start + Seconds{t + 2.0});
        return rig.trainer.Tick().pttOn;
    };
    for (double edge : {0.0, 2.0, 5.0, 9.0}) {
        EXPECT_FALSE(pressedAt(edge)) << "at t = " << edge;
    }
    EXPECT_TRUE(pressedAt(1e-6));
    EXPECT_TRUE(pressedAt(2.0 - 1e-6));
    EXPECT_FALSE(pressedAt(2.0 + 1e-6));
    EXPECT_FALSE(pressedAt(5.0 - 1e-6));
    EXPECT_TRUE(pressedAt(5.0 + 1e-6));
    EXPECT_TRUE(pressedAt(9.0 - 1e-6));
    EXPECT_FALSE(pressedAt(9.0 + 1e-6));
    EXPECT_FALSE(pressedAt(-2.0));
}

TEST(PttRun, EndsOnlyStrictlyAfterRunEnd) {
    TrainerRig rig;
    rig.Button_SoundClick();
    rig.clock.Set(rig.trainer.RunStart() + Seconds{12.0});  // t = 10 = RunEnd
    EXPECT_FALSE(rig.trainer.Tick().runEnded);
    rig.clock.Advance(Seconds{1e-6});
    EXPECT_TRUE(rig.trainer.Tick().runEnded);
}

TEST(PttRun, WholeRunBeepsAtEachEdgeAndStopsAfterTheWait) {
    TrainerRig rig;
    rig.Button_SoundClick();
    EXPECT_EQ(rig.caption, kCaptionStop);
    EXPECT_TRUE(rig.trainer.IsRunning());
    const Seconds start = rig.trainer.RunStart();

    const auto ticks = rig.Run(kTick);

    EXPECT_THAT(rig.tone.Frequencies(), ElementsAre(800, 600, 800, 600));
    const auto onsets = BeepPatternTimes(rig, start);
    const double edges[] = {0.0, 2.0, 5.0, 9.0};
    for (std::size_t i = 0; i < onsets.size(); ++i) {
        // At the first tick past the edge: a tick, plus the previous beep's 20 ms at most.
        EXPECT_GT(onsets[i], edges[i]);
        EXPECT_LE(onsets[i], edges[i] + 0.031) << "beep " << i;
        EXPECT_EQ(rig.tone.beeps()[i].durationMs, 20);
    }
    // The last tick lies just past RunEnd, then the wait of 1000 units, then the stop.
    ASSERT_FALSE(ticks.empty());
    EXPECT_TRUE(ticks.back().runEnded);
    EXPECT_GT(ticks.back().patternTime, 10.0);
    EXPECT_LE(ticks.back().patternTime, 10.011);
    for (std::size_t i = 0; i + 1 < ticks.size(); ++i) {
        ASSERT_FALSE(ticks[i].runEnded);
    }
    ASSERT_EQ(rig.clock.waits().size(), 1u);
    EXPECT_NEAR(rig.clock.waits()[0].count(), 1000 * 0.018 / 13, 1e-9);
    EXPECT_EQ(rig.caption, kCaptionStart);
    EXPECT_FALSE(rig.trainer.IsRunning());
    EXPECT_THAT(rig.drawing.cursor, ElementsAre(ChartPoint{-2, -0.3}, ChartPoint{-2, 1.3}));
    EXPECT_NEAR((rig.clock.Now() - start).count(), 12.0 + 1.3846, 0.02);
}

TEST(PttRun, IndicatorFollowsThePttOnEveryTick) {
    TrainerRig rig;
    rig.Button_SoundClick();
    for (const TickResult& r : rig.Run(kTick)) {
        ASSERT_EQ(r.labelVisible, r.pttOn);
        ASSERT_EQ(r.indicatorColour, r.pttOn ? kIndicatorPressed : kIndicatorReleased);
        ASSERT_EQ(r.cursor[0], (ChartPoint{r.patternTime, -0.3}));
        ASSERT_EQ(r.cursor[1], (ChartPoint{r.patternTime, 1.3}));
    }
}

TEST(PttRun, SoundOffBeepsNothingButPttOnPrevStillFollows) {
    TrainerRig rig;
    rig.speaker.SetSoundEnabled(false);
    rig.Button_SoundClick();
    rig.Run(kTick, 1.0);
    EXPECT_TRUE(rig.trainer.PttOn());
    EXPECT_TRUE(rig.trainer.PttOnPrev());
    // Sound back on inside the first PTT: its start is not sounded afterwards, the rest are.
    rig.speaker.SetSoundEnabled(true);
    rig.Run(kTick);
    EXPECT_THAT(rig.tone.Frequencies(), ElementsAre(600, 800, 600));
    EXPECT_FALSE(rig.trainer.PttOnPrev());
}

TEST(PttRun, WholeRunWithSoundOffIsSilent) {
    TrainerRig rig;
    rig.speaker.SetSoundEnabled(false);
    rig.Button_SoundClick();
    const auto ticks = rig.Run(kTick);
    EXPECT_THAT(rig.tone.beeps(), IsEmpty());
    int edges = 0;
    for (const TickResult& r : ticks) {
        edges += r.beepHz != 0;
    }
    EXPECT_EQ(edges, 4);  // the edges are still found; only the speaker keeps quiet
}

TEST(PttRun, StopInsideAPttLeavesTheIndicatorRedUntilTheNextStart) {
    TrainerRig rig;
    rig.Button_SoundClick();
    rig.Run(kTick, 1.0);
    rig.Button_SoundClick();  // "стоп"
    EXPECT_EQ(rig.caption, kCaptionStart);
    EXPECT_FALSE(rig.trainer.IsRunning());
    EXPECT_EQ(rig.indicatorColour, kIndicatorPressed);
    EXPECT_TRUE(rig.labelVisible);
    EXPECT_TRUE(rig.trainer.PttOnPrev());
    EXPECT_THAT(rig.tone.Frequencies(), ElementsAre(800));

    rig.clock.Advance(Seconds{30.0});
    rig.Button_SoundClick();  // "старт"
    rig.clock.Advance(kTick);
    const TickResult first = rig.Timer1Timer();
    EXPECT_NEAR(first.patternTime, -1.99, 1e-9);
    EXPECT_EQ(rig.indicatorColour, kIndicatorReleased);
    EXPECT_FALSE(rig.labelVisible);
    EXPECT_THAT(rig.tone.Frequencies(), ElementsAre(800, 600));
}

TEST(PttRun, DurationChangedDuringARunEndsItWithThePttReleased) {
    TrainerRig rig;
    rig.Button_SoundClick();
    rig.Run(kTick, 3.0);  // in the pause: the first PTT sounded both its edges
    rig.Run(kTick, 5.5);  // inside the second PTT
    ASSERT_TRUE(rig.trainer.PttOnPrev());
    rig.second = 6;
    rig.SpinEdit_10Change();
    EXPECT_TRUE(rig.drawing.stoppedRun);
    EXPECT_FALSE(rig.trainer.IsRunning());
    EXPECT_FALSE(rig.trainer.PttOnPrev());
    EXPECT_EQ(rig.caption, kCaptionStart);
    EXPECT_EQ(rig.indicatorColour, kIndicatorReleased);
    EXPECT_EQ(rig.trainer.RunEnd(), 12);
    EXPECT_THAT(rig.drawing.cursor, ElementsAre(ChartPoint{-2, -0.3}, ChartPoint{-2, 1.3}));
    rig.SpinEdit_10Change();  // no run to stop
    EXPECT_FALSE(rig.drawing.stoppedRun);

    rig.Button_SoundClick();  // one press starts a fresh run with the new pattern
    EXPECT_EQ(rig.caption, kCaptionStop);
    EXPECT_TRUE(rig.trainer.IsRunning());
    const auto ticks = rig.Run(kTick);
    EXPECT_GT(ticks.back().patternTime, 12.0);
    EXPECT_LE(ticks.back().patternTime, 12.011);
    // Quiet until the new pattern's first edge: no end beep for the PTT the change cut off.
    EXPECT_THAT(rig.tone.Frequencies(), ElementsAre(800, 600, 800, 800, 600, 800, 600));
}

TEST(PttRun, EveryPressResetsTheFilterCoefficient) {
    TrainerRig rig;
    rig.filterCoefficient = 0.55;
    rig.Button_SoundClick();  // start
    EXPECT_EQ(rig.filterCoefficient, 0.2);
    rig.filterCoefficient = 0.55;
    rig.Button_SoundClick();  // stop
    EXPECT_EQ(rig.filterCoefficient, 0.2);
    rig.Button_SoundClick();
    rig.filterCoefficient = 0.55;
    rig.Run(kTick);  // the end of a run presses the button too
    EXPECT_EQ(rig.filterCoefficient, 0.2);
}

TEST(PttRun, AnyCaptionOtherThanStartStops) {
    TrainerRig rig;
    for (const char* caption : {"стоп", "старт ", "Старт", ""}) {
        const PressResult r = rig.trainer.Press(caption);
        EXPECT_EQ(r.caption, kCaptionStart) << caption;
        EXPECT_FALSE(r.running);
        EXPECT_TRUE(r.redraw);
    }
}

TEST(PttRun, RunAcrossMidnightOfTheWallClockStillEnds) {
    // Started 5 s before midnight, had the clock been the time of day.
    TrainerRig rig(86395.0);
    rig.Button_SoundClick();
    const auto ticks = rig.Run(kTick);
    EXPECT_FALSE(rig.trainer.IsRunning());
    EXPECT_THAT(rig.tone.Frequencies(), ElementsAre(800, 600, 800, 600));
    EXPECT_LT(ticks.size(), 1300u);
    EXPECT_GT(ticks.back().patternTime, 10.0);
    EXPECT_LE(ticks.back().patternTime, 10.011);
}

TEST(PttRun, LateAndSkippedTicksDoNotShiftTheEdges) {
    TrainerRig rig;
    rig.Button_SoundClick();
    const Seconds start = rig.trainer.RunStart();
    // Irregular ticks, and a gap of 1.5 s across the end of the first PTT.
    const double steps[] = {0.010, 0.037, 0.003, 0.120, 0.010, 0.055};
    std::vector<TickResult> ticks;
    for (std::size_t i = 0; rig.trainer.IsRunning(); ++i) {
        const double pattern = rig.PatternTimeNow();
        rig.clock.Advance(Seconds{pattern > 1.0 && pattern < 2.5 ? 1.5 : steps[i % 6]});
        ticks.push_back(rig.Timer1Timer());
    }
    for (const TickResult& r : ticks) {
        const double t = r.patternTime;
        ASSERT_EQ(r.pttOn, (0 < t && t < 2) || (5 < t && t < 9)) << "t = " << t;
    }
    EXPECT_THAT(rig.tone.Frequencies(), ElementsAre(800, 600, 800, 600));
    const auto onsets = BeepPatternTimes(rig, start);
    EXPECT_GT(onsets[1], 2.0);  // sounded at the first tick after the gap
    EXPECT_GT(onsets[2], 5.0);
    EXPECT_LE(onsets[2], 5.0 + 0.120 + 0.021);  // the next edge keeps its place
    EXPECT_GT(onsets[3], 9.0);
    EXPECT_LE(onsets[3], 9.0 + 0.120 + 0.021);
    EXPECT_GT(ticks.back().patternTime, 10.0);
    EXPECT_LE(ticks.back().patternTime, 10.0 + 0.120);
}

// The extra tick that an edge due before the next regular tick gets: ticking exactly when it is
// scheduled, it lands past the edge (where the PTT state has changed) and sounds the edge's beep
// within a millisecond. Offsets of a whole number of milliseconds are the ones floating point
// computes a hair short.
TEST(PttTrainer, ExtraEdgeTickAtItsScheduledTimeSoundsTheEdge) {
    const double offsets[] = {0.004, 0.001, 0.0001, 0.0045, 0.0099};
    for (const double offset : offsets) {
        TrainerRig rig;
        rig.Button_SoundClick();
        const double edges[] = {0.0, 2.0, 5.0, 9.0};
        const int pitches[] = {kPttStartBeepHz, kPttEndBeepHz, kPttStartBeepHz, kPttEndBeepHz};
        for (int i = 0; i < 4; ++i) {
            rig.clock.Set(rig.trainer.RunStart() + Seconds{2.0 + edges[i] - offset});
            rig.Timer1Timer();
            const std::optional<int> ms = rig.trainer.EdgeTickDelayMs(rig.PatternTimeNow());
            ASSERT_TRUE(ms.has_value()) << "edge " << edges[i] << ", " << offset << " s before";
            rig.clock.Advance(Seconds{*ms / 1000.0});
            const TickResult r = rig.Timer1Timer();
            EXPECT_EQ(r.beepHz, pitches[i]) << "edge " << edges[i] << ", " << offset << " s before";
            EXPECT_GT(r.patternTime, edges[i]);
            EXPECT_LE(r.patternTime, edges[i] + 0.0011);
        }
        // The last regular tick before the run's end wait needs no extra one.
        EXPECT_FALSE(rig.trainer.EdgeTickDelayMs(9.5).has_value());
    }
}

}  // namespace
}  // namespace tornel
