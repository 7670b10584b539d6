#include "app/tform1.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <exception>

#include "app/input_blocker.h"
#include "app/spin_edit.h"
#include "qcustomplot.h"
#include "signal/wav_writer.h"
#include "ui_tform1.h"

namespace tornel::app {

namespace {

void SetMemoLines(QPlainTextEdit* memo, const std::vector<std::string>& lines) {
    QStringList text;
    text.reserve(static_cast<qsizetype>(lines.size()));
    for (const std::string& line : lines) {
        text << QString::fromStdString(line);
    }
    memo->setPlainText(text.join(u'\n'));
}

constexpr int kFilterChartMarkers = 120;

QString ProgressText(double fraction) {
    const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0 + 0.5);
    return QStringLiteral(" Выдача сигнала: %1 %").arg(percent);
}

template <typename T>
QVector<double> ToQVector(const std::vector<T>& values) {
    return QVector<double>(values.begin(), values.end());
}

}  // namespace

TForm1::TForm1(ProgramState& state, WindowServices services, const QStringList& arguments,
               QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::TForm1>()),
      state_(state),
      services_(std::move(services)) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kDesignClientWidth, kDesignClientHeight);
    ApplyDesignFonts();
    SetUpTabs();
    SetUpCharts();
    SetUpHelpViews();
    SetAccessibleNames();

    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1);
    Timer2 = new QTimer(this);
    Timer2->setObjectName("Timer2");
    Timer2->setInterval(1);
    ConnectHandlers();

    FormCreate(arguments);
    Timer2->start();  // its first tick comes once the message loop runs
}

TForm1::~TForm1() = default;

// Loads the help pages, draws the trainer's diagram and chooses the view. An error stops the
// remaining steps and leaves the window in its design state.
void TForm1::FormCreate(const QStringList& arguments) {
    try {
        LoadHelpPages();
        SpinEdit_10Change();
        ChooseView(arguments);
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    }
}

void TForm1::ChooseView(const QStringList& arguments) {
    engineeringView_ = !arguments.isEmpty() && arguments.front() == QStringLiteral("tq");
    if (engineeringView_) {
        ui_->Chart1->setVisible(true);
        ui_->GroupBox11->setVisible(true);
        ui_->GroupBox_MasPer->setVisible(true);
        return;
    }
    // The outer size includes the frame, known only once the window manager has framed the
    // window; until then (and with no window manager at all) it equals the client size.
    setFixedSize(kNormalOuterWidth, kNormalOuterHeight);
    fitOuterSizePending_ = true;
    ui_->PageControl1->setCurrentIndex(0);
}

bool TForm1::event(QEvent* event) {
    const bool handled = QWidget::event(event);
    if (fitOuterSizePending_ && (event->type() == QEvent::Show || event->type() == QEvent::Move ||
                                 event->type() == QEvent::Resize)) {
        FitOuterSize();
    }
    return handled;
}

void TForm1::FitOuterSize() {
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.isEmpty() || !isVisible()) {
        return;
    }
    fitOuterSizePending_ = false;
    setFixedSize(kNormalOuterWidth - frame.width(), kNormalOuterHeight - frame.height());
}

void TForm1::ConnectHandlers() {
    connect(ui_->Button_FormFile, &QPushButton::clicked, this, [this] { Button_FormFileClick(); });
    connect(ui_->Button_Out, &QPushButton::clicked, this, &TForm1::Button_OutClick);
    connect(ui_->Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(ui_->Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(ui_->SpinEdit_Alfa, &SpinEdit::Changed, this, &TForm1::SpinEdit_AlfaChange);
    connect(ui_->CheckBox_ModFiltr, &QCheckBox::clicked, this, &TForm1::CheckBox_ModFiltrClick);
    connect(ui_->CheckBox_5, &QCheckBox::clicked, this, &TForm1::CheckBox_5Click);
    connect(ui_->CheckBox_6, &QCheckBox::clicked, this, &TForm1::CheckBox_6Click);
    connect(ui_->CheckBox_8, &QCheckBox::clicked, this, &TForm1::CheckBox_8Click);
    connect(ui_->CheckBox_9, &QCheckBox::clicked, this, &TForm1::CheckBox_9Click);
    connect(ui_->CheckBox_10, &QCheckBox::clicked, this, &TForm1::CheckBox_10Click);
    for (SpinEdit* field : {ui_->SpinEdit_10, ui_->SpinEdit_11, ui_->SpinEdit_12}) {
        connect(field, &SpinEdit::Changed, this, &TForm1::SpinEdit_10Change);
    }
    connect(ui_->Button_Sound, &QPushButton::clicked, this, &TForm1::Button_SoundClick);
    connect(ui_->CheckBox_Zwuk, &QCheckBox::clicked, this, &TForm1::CheckBox_ZwukClick);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
}

std::array<SpinEdit*, kFieldCount> TForm1::ParameterFields() const {
    return {ui_->SpinEdit_1, ui_->SpinEdit_2,  ui_->SpinEdit_3,  ui_->SpinEdit_4,
            ui_->SpinEdit_5, ui_->SpinEdit_6,  ui_->SpinEdit_7,  ui_->SpinEdit_8,
            ui_->SpinEdit_9, ui_->SpinEdit_10, ui_->SpinEdit_11, ui_->SpinEdit_12};
}

PacketInputs TForm1::ReadPacketInputs() const {
    PacketInputs in;
    const auto fields = ParameterFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        in.fields[i] = fields[i]->TypedValue();
    }
    in.boxes.box5 = ui_->CheckBox_5->isChecked();
    in.boxes.box6 = ui_->CheckBox_6->isChecked();
    in.boxes.box8 = ui_->CheckBox_8->isChecked();
    in.boxes.box9 = ui_->CheckBox_9->isChecked();
    in.boxes.box10 = ui_->CheckBox_10->isChecked();
    return in;
}

// "сформировать": builds the packet from the fields and boxes and writes the listings. A value
// outside its field's range (possible only while a field still holds typed text) is not sent:
// the status line names the field and the packet keeps its previous contents.
bool TForm1::Button_FormFileClick() {
    ui_->Button_Out->setVisible(true);
    try {
        const BuildResult built = BuildPacket(ReadPacketInputs());
        state_.packet = built.packet;
        buildStatus_ = QString::fromStdString(built.status);
        SetStatus(buildStatus_);
        SetMemoLines(ui_->Memo1, built.parameterListing);
        SetMemoLines(ui_->Memo2, built.crcTrace);
        SetMemoLines(ui_->Memo_MasIsh, built.packetListing);
        return true;
    } catch (const FieldOutOfRange& e) {
        SetStatus(QString::fromUtf8(e.what()));
        return false;
    }
}

// "выдать": rebuilds the packet from the fields as they stand, writes "_qq.wav" and "9_fmsig.h",
// shows the signal in the charts and plays it to the end.
void TForm1::Button_OutClick() {
    ClearFilterChart();
    if (!Button_FormFileClick()) {
        return;
    }
    try {
        WriteWavFile(state_.synth, state_.packet, ui_->CheckBox_ModFiltr->isChecked(),
                     services_.workDir);
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
        return;
    }
    ShowSignalCharts();
    PlaySignal();
}

void TForm1::ClearFilterChart() {
    ui_->Chart_Filtr->graph(0)->data()->clear();
    ui_->Chart_Filtr->graph(1)->data()->clear();
    ui_->Chart_Filtr->replot(QCustomPlot::rpQueuedReplot);
}

void TForm1::ShowSignalCharts() {
    const Synthesizer& synth = state_.synth;
    QCPGraph* filtered = ui_->Chart_Filtr->graph(0);
    filtered->setData(ToQVector(synth.filterChartX()), ToQVector(synth.filterChartY()), true);
    // A marker on every one of some 60 000 points would only paint a solid band, slowly.
    filtered->setScatterSkip(std::max(0, filtered->dataCount() / kFilterChartMarkers - 1));
    ui_->Chart_Filtr->rescaleAxes();
    ui_->Chart_Filtr->replot(QCustomPlot::rpQueuedReplot);

    const auto samples = synth.samples();
    QVector<double> x(static_cast<qsizetype>(samples.size()));
    QVector<double> y(static_cast<qsizetype>(samples.size()));
    for (qsizetype i = 0; i < x.size(); ++i) {
        x[i] = static_cast<double>(i);
        y[i] = samples[static_cast<std::size_t>(i)];
    }
    ui_->Chart1->graph(0)->setData(x, y, true);
    ui_->Chart1->rescaleAxes();
    ui_->Chart1->replot(QCustomPlot::rpQueuedReplot);
}

// Plays "_qq.wav" to the end. The window stays painted and shows the progress, takes no input
// meanwhile and says in the status line when the controller heard nothing.
void TForm1::PlaySignal() {
    if (services_.sound == nullptr) {
        return;
    }
    const std::string path = (services_.workDir / kWavFileName).string();
    platform::PlayResult result;
    {
        playing_ = true;
        InputBlocker blocker;
        ui_->StaticText_Error->setText(ProgressText(0.0));
        try {
            result = services_.sound->PlayFile(path, [this](double f) { ShowPlaybackProgress(f); });
        } catch (const std::exception& e) {
            result = {false, e.what()};
        }
        playing_ = false;
    }
    QString status = buildStatus_;
    if (!result.played || !result.error.empty()) {
        status = QStringLiteral(" Сигнал не выдан: ") + QString::fromStdString(result.error);
    }
    SetStatus(status);
}

// The status line; its tooltip holds the whole text, which the line may cut.
void TForm1::SetStatus(const QString& text) {
    ui_->StaticText_Error->setText(text);
    ui_->StaticText_Error->setToolTip(text.trimmed());
}

void TForm1::ShowPlaybackProgress(double fraction) {
    ui_->StaticText_Error->setText(ProgressText(fraction));
    QCoreApplication::processEvents();  // paints; input goes into the blocker
}

// Packet dump: the packet as it stands, without building it.
void TForm1::Button3Click() {
    SetMemoLines(ui_->Memo1, PacketDump(state_.packet));
}

void TForm1::Button2Click() {
    QCoreApplication::quit();
}

void TForm1::SpinEdit_AlfaChange() {
    state_.synth.setAlpha(ui_->SpinEdit_Alfa->TypedValue() / 100.0);
}

// The synthesis reads the box itself at every send.
void TForm1::CheckBox_ModFiltrClick() {}

void TForm1::CheckBox_5Click() {
    ui_->SpinEdit_5->setEnabled(ui_->CheckBox_5->isChecked());
}

void TForm1::CheckBox_6Click() {
    const bool on = ui_->CheckBox_6->isChecked();
    ui_->SpinEdit_6->setEnabled(on);
    ui_->SpinEdit_7->setEnabled(on);
}

void TForm1::CheckBox_8Click() {
    ui_->SpinEdit_8->setEnabled(ui_->CheckBox_8->isChecked());
}

void TForm1::CheckBox_9Click() {
    ui_->SpinEdit_9->setEnabled(ui_->CheckBox_9->isChecked());
}

void TForm1::CheckBox_10Click() {
    const bool on = ui_->CheckBox_10->isChecked();
    ui_->SpinEdit_10->setEnabled(on);
    ui_->SpinEdit_11->setEnabled(on);
    ui_->SpinEdit_12->setEnabled(on);
}

void TForm1::ShowError(const QString& text) {
    if (services_.showError) {
        services_.showError(this, text);
    } else {
        QMessageBox::critical(this, QStringLiteral("Ошибка"), text);
    }
}

}  // namespace tornel::app
