// The PTT pattern trainer of parameter 10 in the window: the timing diagram in Chart_PTT, the
// run with its cursor, the indicator "передача" and the edge beeps. The pattern, the run's timing
// and its decisions are the trainer core's; these handlers read the controls and show the results.

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <optional>

#include "app/spin_edit.h"
#include "app/tform1.h"
#include "ui_programmer_page.h"
#include "ui_tform1.h"

namespace tornel::app {

namespace {

QColor FromColourValue(std::uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

template <std::size_t N>
void SetChartLine(widgets::Chart& chart, int line, const std::array<ChartPoint, N>& points) {
    QVector<double> x(static_cast<qsizetype>(N));
    QVector<double> y(static_cast<qsizetype>(N));
    for (std::size_t i = 0; i < N; ++i) {
        x[static_cast<qsizetype>(i)] = points[i].x;
        y[static_cast<qsizetype>(i)] = points[i].y;
    }
    // Already sorted by x; equal x keep their order, so each vertical edge is drawn as added.
    chart.SetLine(line, x, y);
}

}  // namespace

// Redraws the pattern from the three durations with the cursor at rest. A run in progress ends
// here: the button goes back to "старт" and the indicator off.
void TForm1::SpinEdit_10Change() {
    Timer1->stop();
    StopTrainerKeying();
    const PatternDrawing drawing =
        state_.trainer.Redraw(programmer_->SpinEdit_10->TypedValueUnclamped(),
                              programmer_->SpinEdit_11->TypedValueUnclamped(),
                              programmer_->SpinEdit_12->TypedValueUnclamped());
    if (drawing.stoppedRun) {
        programmer_->Button_Sound->setText(QString::fromUtf8(kCaptionStart));
        SetPttIndicator(kIndicatorReleased, false);
    }
    SetChartLine(*patternChart_, 0, drawing.pattern);
    SetChartLine(*patternChart_, 1, drawing.cursor);
    const ChartRange range = PatternChartRange(drawing);
    patternChart_->SetRange(range.left, range.right, range.bottom, range.top);
    patternChart_->Redraw();
}

// "старт" starts a run, "стоп" ends it and redraws; either way the filter coefficient goes back
// to 0.2, and SpinEdit_Alfa shows it (20 hundredths) so that the next send uses what it shows.
void TForm1::Button_SoundClick() {
    if (programmer_->Button_Sound->text() == QString::fromUtf8(kCaptionStart) &&
        !StartTrainerKeying()) {
        // The transmitter cannot be keyed: no run, the status line says why.
        state_.synth.setAlpha(kTrainerFilterCoefficient);
        ShowFilterCoefficient();
        return;
    }
    const PressResult press = state_.trainer.Press(programmer_->Button_Sound->text().toStdString());
    programmer_->Button_Sound->setText(QString::fromStdString(press.caption));
    if (press.running) {
        Timer1->start(kRunTickMs);
    }
    if (press.redraw) {
        SpinEdit_10Change();
        Timer1->stop();
    }
    state_.synth.setAlpha(press.filterCoefficient);
    ShowFilterCoefficient();
}

// One tick of a run: cursor and indicator at the clock's pattern time, then the beep of an edge
// crossed since the last tick. Past the run's end: the wait, then the stop.
void TForm1::Timer1Timer() {
    if (!state_.trainer.IsRunning()) {
        return;  // a tick that was already due when the run stopped
    }
    if (playing_) {
        // While the signal plays nothing else runs, as with a blocking playback: no beep may
        // mix into what the controller hears. The run goes on by the clock afterwards.
        return;
    }
    const TickResult tick = state_.trainer.Tick();
    if (!FollowTrainerKeying(tick.pttOn)) {
        Button_SoundClick();  // the run ends released; the status line says why
        return;
    }
    TickAtNextEdge(tick.patternTime);
    ShowCursor(tick.cursor);
    SetPttIndicator(tick.indicatorColour, tick.labelVisible);
    if (tick.beepHz != 0) {
        // The beep blocks for its length: show the edge before it sounds.
        programmer_->GroupBox18->repaint();
        state_.speaker.SpeakerBeep(tick.beepHz, kEdgeBeepMs);
    }
    if (tick.runEnded) {
        state_.speaker.WaitUnits(kRunEndWaitUnits);
        Button_SoundClick();
    }
}

// An edge due before the next tick gets a tick of its own just past it: its beep starts within
// about a millisecond of the edge. The decisions stay the clock's; this only reads it at the right
// moment.
void TForm1::TickAtNextEdge(double patternTime) {
    if (const std::optional<int> ms = state_.trainer.EdgeTickDelayMs(patternTime)) {
        QTimer::singleShot(*ms, Qt::PreciseTimer, this, &TForm1::Timer1Timer);
    }
}

// The first tick after start-up: one redraw, then never again.
void TForm1::Timer2Timer() {
    SpinEdit_10Change();
    Timer2->stop();
}

// "звук": the edge beeps on or off.
void TForm1::CheckBox_ZwukClick() {
    state_.speaker.SetSoundEnabled(programmer_->CheckBox_Zwuk->isChecked());
}

// Moves the cursor, redrawing only its own layer.
void TForm1::ShowCursor(const CursorPoints& cursor) {
    SetChartLine(*patternChart_, 1, cursor);
    patternChart_->RedrawOverlay();
}

// `colour` is a 0x00BBGGRR value. Unchanged states cost nothing: the widgets repaint only on a
// change.
void TForm1::SetPttIndicator(std::uint32_t colour, bool labelVisible) {
    SetShapeColor(FromColourValue(colour));
    if (programmer_->Label_PTT->isHidden() == labelVisible) {
        programmer_->Label_PTT->setVisible(labelVisible);
    }
}

void TForm1::SetShapeColor(const QColor& color) {
    QPalette palette = programmer_->Shape_PTT->palette();
    if (palette.color(QPalette::Window) == color) {
        return;
    }
    palette.setColor(QPalette::Window, color);
    programmer_->Shape_PTT->setPalette(palette);
}

}  // namespace tornel::app
