// The PTT pattern trainer of parameter 10: the timing diagram in Chart_PTT, the run with its
// cursor and the indicator "передача".

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <algorithm>

#include "app/spin_edit.h"
#include "app/tform1.h"
#include "qcustomplot.h"
#include "ui_tform1.h"

namespace tornel::app {

namespace {

constexpr double kChartStart = -2.5;
constexpr double kRunStart = -2.0;  // a run begins 2 s before the first PTT
constexpr double kCursorLow = -0.3;
constexpr double kCursorHigh = 1.3;
constexpr int kRunTickMs = 10;

const QString kStart = QStringLiteral("старт");
const QString kStop = QStringLiteral("стоп");

}  // namespace

// Redraws the pattern from the three durations with the cursor at rest; stops a run in progress.
void TForm1::SpinEdit_10Change() {
    Timer1->stop();
    pttEnd1_ = ui_->SpinEdit_10->Value();
    pauseEnd_ = pttEnd1_ + ui_->SpinEdit_11->Value();
    pttEnd2_ = pauseEnd_ + ui_->SpinEdit_12->Value();
    runEnd_ = pttEnd2_ + 1;

    const double e1 = pttEnd1_, p = pauseEnd_, e2 = pttEnd2_;
    const QVector<double> x{kChartStart, 0, 0, e1, e1, p, p, e2, e2, e2 + 2};
    const QVector<double> y{0, 0, 1, 1, 0, 0, 1, 1, 0, 0};
    QCustomPlot* chart = ui_->Chart_PTT;
    chart->graph(0)->setData(x, y, true);
    chart->graph(1)->setData({kRunStart, kRunStart}, {kCursorLow, kCursorHigh}, true);
    const double right = std::max(*std::max_element(x.begin(), x.end()), kRunStart);
    chart->xAxis->setRange(kChartStart, right);
    chart->replot();
}

// "старт" starts a run, "стоп" ends it; either way the filter coefficient goes back to 0.2.
void TForm1::Button_SoundClick() {
    if (ui_->Button_Sound->text() == kStart) {
        ui_->Button_Sound->setText(kStop);
        Timer1->start(kRunTickMs);
        runClock_.start();
    } else {
        ui_->Button_Sound->setText(kStart);
        SpinEdit_10Change();
        Timer1->stop();
    }
    state_.synth.setAlpha(kInitialAlpha);
}

// One tick of a run: the cursor at the pattern time and the indicator. The beeps and the pause
// at the end of a run come with the trainer core.
void TForm1::Timer1Timer() {
    const double t = static_cast<double>(runClock_.elapsed()) / 1000.0 + kRunStart;
    ui_->Chart_PTT->graph(1)->setData({t, t}, {kCursorLow, kCursorHigh}, true);
    ui_->Chart_PTT->replot();
    SetPttIndicator((0 < t && t < pttEnd1_) || (pauseEnd_ < t && t < pttEnd2_));
    if (t > runEnd_) {
        Button_SoundClick();
    }
}

// The first tick after start-up: one redraw, then never again.
void TForm1::Timer2Timer() {
    SpinEdit_10Change();
    Timer2->stop();
}

void TForm1::CheckBox_ZwukClick() {
    state_.soundEnabled = ui_->CheckBox_Zwuk->isChecked();
}

void TForm1::SetPttIndicator(bool pressed) {
    SetShapeColor(pressed ? Qt::red : Qt::white);
    ui_->Label_PTT->setVisible(pressed);
}

void TForm1::SetShapeColor(const QColor& color) {
    QPalette palette = ui_->Shape_PTT->palette();
    palette.setColor(QPalette::Window, color);
    ui_->Shape_PTT->setPalette(palette);
}

}  // namespace tornel::app
