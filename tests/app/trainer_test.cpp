// The PTT trainer through the real window: runs driven tick by tick on a fake clock, the beeps
// recorded, the indicator, caption, cursor and chart read back from the controls.

#include <gmock/gmock.h>

#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include "qcustomplot.h"
#include "window_fixture.h"

namespace tornel::app::testing {
namespace {

using platform::Seconds;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr double kTick = 0.01;
constexpr double kRunEndWait = 1000 * 18.0 / 13000.0;  // seconds

class Trainer : public WindowTest {
  protected:
    QTimer* Timer1() const { return Control<QTimer>("Timer1"); }
    QCustomPlot* Chart() const { return Plot("Chart_PTT"); }
    QString Caption() const { return Button("Button_Sound")->text(); }
    QColor Indicator() const {
        return Control<QWidget>("Shape_PTT")->palette().color(QPalette::Window);
    }
    bool WordShown() const { return Shown(Control<QLabel>("Label_PTT")); }
    double CursorX() const { return Chart()->graph(1)->data()->at(0)->key; }
    double PatternTime() const { return (clock->Now() - state->trainer.RunStart()).count() - 2.0; }
    void Click() { Button("Button_Sound")->click(); }

    // One tick of Timer1, `step` after the last one, through the timer's own signal.
    void Tick(double step = kTick) {
        clock->Advance(Seconds{step});
        ASSERT_TRUE(QMetaObject::invokeMethod(Timer1(), "timeout", Qt::DirectConnection));
    }
    // Ticks while the run lasts, until the pattern time reaches `until`.
    void RunTo(double until) {
        while (Timer1()->isActive() && PatternTime() + kTick <= until) {
            Tick();
        }
    }
    void RunToEnd() {
        while (Timer1()->isActive()) {
            Tick();
        }
    }
    // The pattern time at which each recorded beep began.
    std::vector<double> BeepTimes() const {
        std::vector<double> times;
        for (const fakes::RecordedBeep& b : tone->beeps()) {
            times.push_back((b.at - state->trainer.RunStart()).count() - 2.0);
        }
        return times;
    }
};

TEST_F(Trainer, RunBeepsAtEachEdgeFollowsTheClockAndEndsAfterTheWait) {
    EXPECT_EQ(Indicator(), QColor(Qt::white));
    EXPECT_TRUE(WordShown());  // as laid out, until the first tick

    Click();
    EXPECT_EQ(Caption(), QStringLiteral("стоп"));
    EXPECT_TRUE(Timer1()->isActive());
    EXPECT_EQ(Timer1()->interval(), 10);
    Tick();
    EXPECT_FALSE(WordShown());
    EXPECT_EQ(Indicator(), QColor(Qt::white));
    EXPECT_NEAR(CursorX(), -1.99, 1e-9);

    RunTo(1.0);
    EXPECT_EQ(Indicator(), QColor(Qt::red));
    EXPECT_TRUE(WordShown());
    EXPECT_DOUBLE_EQ(CursorX(), PatternTime());
    Tick(0.7);  // a late tick: the cursor jumps with the clock, it does not count ticks
    EXPECT_DOUBLE_EQ(CursorX(), PatternTime());
    RunTo(3.0);
    EXPECT_EQ(Indicator(), QColor(Qt::white));
    EXPECT_FALSE(WordShown());

    RunToEnd();
    EXPECT_THAT(tone->Frequencies(), ElementsAre(800, 600, 800, 600));
    const std::vector<double> at = BeepTimes();
    const double edges[] = {0, 2, 5, 9};
    for (std::size_t i = 0; i < at.size(); ++i) {
        EXPECT_GT(at[i], edges[i]) << i;  // at the edge itself the PTT counts as released
        EXPECT_LE(at[i], edges[i] + kTick + 1e-9) << i;
        EXPECT_EQ(tone->beeps()[i].durationMs, 20);
    }

    // The first tick past RunEnd = 10 waits about 1.385 s, then stops and redraws.
    ASSERT_FALSE(clock->waits().empty());
    EXPECT_NEAR(clock->waits().back().count(), kRunEndWait, 1e-9);
    EXPECT_GT(PatternTime() - kRunEndWait, 10.0);
    EXPECT_LE(PatternTime() - kRunEndWait, 10.0 + kTick + 1e-5);
    EXPECT_EQ(Caption(), QStringLiteral("старт"));
    EXPECT_FALSE(Timer1()->isActive());
    EXPECT_DOUBLE_EQ(CursorX(), -2.0);
    EXPECT_EQ(Chart()->graph(0)->dataCount(), 10);
}

TEST_F(Trainer, EdgeDueBeforeTheNextTickGetsATickOfItsOwn) {
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !Control<QTimer>("Timer2")->isActive(); }));  // its redraw would stop the run
    Click();
    clock->Set(state->trainer.RunStart() + Seconds{2.0 - 0.004});  // 4 ms before the first PTT
    Tick(0.0);
    EXPECT_THAT(tone->beeps(), IsEmpty());
    Timer1()->stop();  // no regular tick: only the edge's own can sound it
    clock->Advance(Seconds{0.0045});
    QTest::qWait(40);
    EXPECT_THAT(tone->Frequencies(), ElementsAre(800));
    EXPECT_TRUE(WordShown());
}

// Paint events of the watched widget.
class PaintCounter : public QObject {
  public:
    int paints = 0;

  protected:
    bool eventFilter(QObject*, QEvent* event) override {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// A tick puts the moved cursor on the screen by redrawing its own layer, never the diagram.
TEST_F(Trainer, TickRedrawsOnlyTheCursorLayer) {
    QCPLayer* cursor = Chart()->graph(1)->layer();
    EXPECT_EQ(cursor->name(), QStringLiteral("cursor"));
    EXPECT_EQ(cursor->mode(), QCPLayer::lmBuffered);
    EXPECT_GT(cursor->index(), Chart()->graph(0)->layer()->index());  // drawn over the pattern

    Control<QTabWidget>("PageControl1")->setCurrentWidget(Control<QWidget>("TabSheet2"));
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    QCoreApplication::processEvents();
    PaintCounter painted;
    Chart()->installEventFilter(&painted);
    int fullReplots = 0;
    QObject::connect(Chart(), &QCustomPlot::afterReplot, [&] { ++fullReplots; });
    Click();
    RunTo(-1.5);  // before the first edge, whose beep repaints the whole group box
    QCoreApplication::processEvents();
    EXPECT_GT(painted.paints, 0) << "the moved cursor did not reach the screen";
    RunTo(4.0);
    EXPECT_EQ(fullReplots, 0);
    Click();  // the stop redraws the whole diagram once
    EXPECT_EQ(fullReplots, 1);
}

TEST_F(Trainer, SoundOffSilencesTheEdgesButTheirStateStillFollows) {
    Box("CheckBox_Zwuk")->click();
    EXPECT_FALSE(state->speaker.SoundEnabled());
    Click();
    RunTo(3.0);  // both edges of the first PTT crossed in silence
    EXPECT_THAT(tone->beeps(), IsEmpty());
    EXPECT_TRUE(clock->waits().empty());

    // Switched on again in the pause: only the edges still to come sound. Had the state not
    // followed, the next tick would take the pause for the end of a PTT and beep 600 now.
    Box("CheckBox_Zwuk")->click();
    EXPECT_TRUE(state->speaker.SoundEnabled());
    RunToEnd();
    EXPECT_THAT(tone->Frequencies(), ElementsAre(800, 600));
    EXPECT_NEAR(BeepTimes().front(), 5.0, kTick + 1e-9);
}

TEST_F(Trainer, StopInsideAPttLeavesTheIndicatorOnUntilTheNextStartsFirstTick) {
    Click();
    RunTo(6.0);  // in the second PTT
    ASSERT_THAT(tone->Frequencies(), ElementsAre(800, 600, 800));
    Click();
    EXPECT_EQ(Caption(), QStringLiteral("старт"));
    EXPECT_FALSE(Timer1()->isActive());
    EXPECT_DOUBLE_EQ(CursorX(), -2.0);
    EXPECT_EQ(Indicator(), QColor(Qt::red));
    EXPECT_TRUE(WordShown());

    clock->Advance(Seconds{30.0});
    Click();
    EXPECT_EQ(Indicator(), QColor(Qt::red));  // until the first tick
    Tick();
    EXPECT_EQ(Indicator(), QColor(Qt::white));
    EXPECT_FALSE(WordShown());
    EXPECT_THAT(tone->Frequencies(), ElementsAre(800, 600, 800, 600));
    EXPECT_NEAR(BeepTimes().back(), -1.99, 1e-6);
}

// A change of a duration ends the run: nothing may go on looking as if it still ran.
TEST_F(Trainer, ChangingADurationDuringARunEndsItWithTheButtonAndIndicatorIdle) {
    Box("CheckBox_10")->click();
    Click();
    RunTo(0.5);  // inside the first PTT: indicator red, "передача" shown
    ASSERT_EQ(Indicator(), QColor(Qt::red));
    Field("SpinEdit_12")->setValue(6);
    EXPECT_FALSE(Timer1()->isActive());
    EXPECT_EQ(Caption(), QStringLiteral("старт"));
    EXPECT_EQ(Indicator(), QColor(Qt::white));
    EXPECT_FALSE(WordShown());
    EXPECT_DOUBLE_EQ(CursorX(), -2.0);
    EXPECT_DOUBLE_EQ(Chart()->graph(0)->data()->at(8)->key, 11.0);  // 2 + 3 + 6
    EXPECT_DOUBLE_EQ(Chart()->xAxis->range().upper, 13.0);
    Tick();  // a tick already due when the run stopped changes nothing
    EXPECT_DOUBLE_EQ(CursorX(), -2.0);

    Click();  // one press starts the new pattern
    EXPECT_EQ(Caption(), QStringLiteral("стоп"));
    EXPECT_TRUE(Timer1()->isActive());
    RunToEnd();
    // No end beep for the PTT the change cut off: the new run sounds only its own edges.
    EXPECT_THAT(tone->Frequencies(), ElementsAre(800, 800, 600, 800, 600));
    EXPECT_NEAR(BeepTimes().back(), 11.0, kTick + 1e-9);
}

// The reset coefficient is what the field shows, so the next send uses what the operator sees.
TEST_F(Trainer, EveryPressAndTheRunsEndResetTheFilterCoefficientAndItsField) {
    SpinEdit* alfa = Field("SpinEdit_Alfa");
    alfa->setValue(35);
    ASSERT_DOUBLE_EQ(state->synth.alpha(), 0.35);
    Click();
    EXPECT_DOUBLE_EQ(state->synth.alpha(), 0.2);
    EXPECT_EQ(alfa->text(), QStringLiteral("20"));
    alfa->setValue(50);
    EXPECT_DOUBLE_EQ(state->synth.alpha(), 0.5);
    RunToEnd();  // the end of a run presses "стоп"
    EXPECT_DOUBLE_EQ(state->synth.alpha(), 0.2);
    EXPECT_EQ(alfa->text(), QStringLiteral("20"));
    EXPECT_EQ(alfa->TypedValueUnclamped(), 20);
}

TEST_F(Trainer, WithBox10ClearTheDisabledDurationsStillDrawAndRun) {
    Box("CheckBox_10")->click();
    Box("CheckBox_10")->click();
    ASSERT_FALSE(Box("CheckBox_10")->isChecked());
    for (const char* name : {"SpinEdit_10", "SpinEdit_11", "SpinEdit_12"}) {
        EXPECT_FALSE(Field(name)->isEnabled()) << name;
    }
    Field("SpinEdit_10")->setValue(4);
    EXPECT_DOUBLE_EQ(Chart()->graph(0)->data()->at(3)->key, 4.0);
    Click();
    RunToEnd();
    EXPECT_THAT(tone->Frequencies(), ElementsAre(800, 600, 800, 600));
    const std::vector<double> at = BeepTimes();
    ASSERT_EQ(at.size(), 4u);
    EXPECT_NEAR(at[1], 4.0, kTick + 1e-9);
    EXPECT_NEAR(at[3], 11.0, kTick + 1e-9);
}

}  // namespace
}  // namespace tornel::app::testing

namespace tornel::app::testing {
namespace {

// While "выдать" plays the signal nothing else runs: a trainer edge crossed meanwhile does not
// beep into the controller's signal; the run goes on by the clock once the playback is over.
TEST_F(Trainer, NoBeepWhileTheSignalPlays) {
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !Control<QTimer>("Timer2")->isActive(); }));  // its redraw would stop the run
    Click();
    Tick();
    sound.duringPlayback = [this] { Tick(2.5); };  // crosses the start of the first PTT
    Button("Button_FormFile")->click();
    Button("Button_Out")->click();
    EXPECT_THAT(tone->beeps(), IsEmpty());
    EXPECT_EQ(Caption(), QStringLiteral("стоп"));
    Tick();  // the first tick after the playback catches up with the clock
    EXPECT_EQ(Indicator(), QColor(Qt::red));
    ASSERT_EQ(tone->beeps().size(), 1u);
    EXPECT_EQ(tone->beeps()[0].frequencyHz, 800);
}

}  // namespace
}  // namespace tornel::app::testing
