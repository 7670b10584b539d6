#include "app/tform1.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <cmath>
#include <exception>
#include <numeric>

#include "app/input_blocker.h"
#include "app/send_check.h"
#include "app/sound_dialog.h"
#include "app/spin_edit.h"
#include "app/start_up.h"
#include "app/status_line.h"
#include "files/file_error_text.h"
#include "signal/wav_writer.h"
#include "ui_engineering_panels.h"
#include "ui_help_pages.h"
#include "ui_programmer_page.h"
#include "ui_tform1.h"
#include "widgets/help_loader.h"

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

QString ProgressText(double fraction) {
    return QString::fromStdString(PlaybackProgressText(fraction));
}

QString PathText(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

template <typename Values>
QVector<double> ToQVector(const Values& values) {
    return QVector<double>(values.begin(), values.end());
}

}  // namespace

TForm1::TForm1(ProgramState& state, WindowServices services, const QStringList& arguments,
               QWidget* parent)
    : QWidget(parent),
      ui_(std::make_unique<Ui::TForm1>()),
      programmer_(std::make_unique<Ui::ProgrammerPage>()),
      engineering_(std::make_unique<Ui::EngineeringPanels>()),
      help_(std::make_unique<Ui::HelpPages>()),
      state_(state),
      services_(std::move(services)) {
    ui_->setupUi(this);
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(kDesignClientWidth, kDesignClientHeight);
    ApplyTitleFonts();
    SetUpTabs();
    Timer1 = new QTimer(this);
    Timer1->setObjectName("Timer1");
    Timer1->setInterval(1);
    Timer2 = new QTimer(this);
    Timer2->setObjectName("Timer2");
    Timer2->setInterval(1);
    ChooseView(arguments);
    if (services_.hiddenPartsAfterFirstPaint && !engineeringView_) {
        AfterFirstPaint(*this, [this] { MakeHiddenParts(); });
    } else {
        MakeHiddenParts();
    }
}

TForm1::~TForm1() = default;

// What the first sight of the normal view does not show: the programmer page, the engineering
// panels, the help pages and the plots, with the handlers and the keyboard that work on them.
void TForm1::MakeHiddenParts() {
    programmer_->setupUi(ui_->TabSheet2);
    engineering_->setupUi(this);
    MakeHelpPages();
    ApplyDesignFonts();
    SetUpTrainerIndicator();
    SetUpCharts();
    SetUpHelpViews();
    ApplyParameterTable();
    SetAccessibleNames();
    soundSettings_ = ReadSoundSettings(*OpenUserSettings());
    ConnectHandlers();
    ShowFilterCoefficient();
    SetUpKeyboard();
    FormCreate();
    Timer2->start();  // its first tick comes once the message loop runs
}

// The help tabs' boxes and views come from a form of their own: made there, then moved into their
// tabs, whose titles the tab bar shows from the start.
void TForm1::MakeHelpPages() {
    QWidget madeIn;
    help_->setupUi(&madeIn);
    const std::pair<QWidget*, QWidget*> pages[] = {{help_->GroupBox_Help1, ui_->TabSheet3},
                                                   {help_->GroupBox_Help2, ui_->TabSheet6},
                                                   {help_->GroupBox_Help3, ui_->TabSheet7}};
    for (const auto& [box, tab] : pages) {
        box->setParent(tab);
        box->show();  // a widget given a new parent is hidden until shown
    }
}

// Loads the help pages, draws the trainer's diagram and shows the view's panels. Each help view is
// filled from "help<n>.rtf" in the first of the help folders that holds it (the working directory
// when none are given); a missing file leaves the view's design text, which names the file. A help
// file that cannot be read stops none of this (its view says why); only an unforeseen error, such
// as running out of memory, is shown in the error box and leaves the rest in its design state.
void TForm1::FormCreate() {
    try {
        LoadHelpPages({help_->RichEdit1, help_->RichEdit2, help_->RichEdit3},
                      services_.helpFolders);
        SpinEdit_10Change();
        ShowViewPanels();
    } catch (const std::exception& e) {
        ShowError(QString::fromUtf8(e.what()));
    }
}

// The normal view is the size of its tabs and opens on the title page; the engineering view keeps
// the design size.
void TForm1::ChooseView(const QStringList& arguments) {
    engineeringView_ = !arguments.isEmpty() && arguments.front() == QStringLiteral("tq");
    if (engineeringView_) {
        return;
    }
    // The outer size includes the frame, known only once the window manager has framed the
    // window; until then (and with no window manager at all) it equals the client size.
    setFixedSize(kNormalOuterWidth, kNormalOuterHeight);
    fitOuterSizePending_ = true;
    ui_->PageControl1->setCurrentIndex(0);
}

void TForm1::ShowViewPanels() {
    if (!engineeringView_) {
        HideEngineeringPanels();
        return;
    }
    ui_->Chart1->setVisible(true);
    engineering_->GroupBox11->setVisible(true);
    engineering_->GroupBox_MasPer->setVisible(true);
}

bool TForm1::event(QEvent* event) {
    if (event->type() == QEvent::Close) {
        StopTrainerKeying();  // the window goes: nothing it keyed stays keyed
    }
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
    connect(programmer_->Button_FormFile, &QPushButton::clicked, this,
            [this] { Button_FormFileClick(); });
    connect(programmer_->Button_Out, &QPushButton::clicked, this, &TForm1::Button_OutClick);
    connect(engineering_->Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
    connect(programmer_->Button_SoundSetup, &QPushButton::clicked, this,
            &TForm1::Button_SoundSetupClick);
    connect(engineering_->Button2, &QPushButton::clicked, this, &TForm1::Button2Click);
    connect(programmer_->Button1, &QPushButton::clicked, this, &TForm1::Button1Click);
    connect(programmer_->Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
    connect(engineering_->SpinEdit_Alfa, &SpinEdit::Changed, this, &TForm1::SpinEdit_AlfaChange);
    connect(engineering_->CheckBox_ModFiltr, &QCheckBox::clicked, this,
            &TForm1::CheckBox_ModFiltrClick);
    // CheckBox_5Click .. CheckBox_10Click: each box's click enables the fields under it.
    for (const EnablingBox& box : kEnablingBoxes) {
        connect(EnablingCheckBox(box.parameter), &QCheckBox::clicked, this,
                [this, parameter = box.parameter] { EnableFieldsOfBox(parameter); });
    }
    // The trainer's pattern follows every field of parameter 10.
    const auto fields = ParameterFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if ((*services_.parameters)[i].parameter == kPatternParameter) {
            connect(fields[i], &SpinEdit::Changed, this, &TForm1::SpinEdit_10Change);
        }
    }
    connect(programmer_->Button_Sound, &QPushButton::clicked, this, &TForm1::Button_SoundClick);
    connect(programmer_->CheckBox_Zwuk, &QCheckBox::clicked, this, &TForm1::CheckBox_ZwukClick);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TForm1::Timer2Timer);
}

// The field of table entry i is SpinEdit_<i + 1>; the box of parameter n is CheckBox_<n>.
std::array<SpinEdit*, kFieldCount> TForm1::ParameterFields() const {
    std::array<SpinEdit*, kFieldCount> fields{};
    for (std::size_t i = 0; i < fields.size(); ++i) {
        fields[i] = findChild<SpinEdit*>(QStringLiteral("SpinEdit_%1").arg(i + 1));
    }
    return fields;
}

QCheckBox* TForm1::EnablingCheckBox(int parameter) const {
    return findChild<QCheckBox*>(QStringLiteral("CheckBox_%1").arg(parameter));
}

PacketInputs TForm1::ReadPacketInputs() const {
    PacketInputs in;
    const auto fields = ParameterFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        in.fields[i] = fields[i]->TypedValueUnclamped();
    }
    for (const EnablingBox& box : kEnablingBoxes) {
        in.boxes.*(box.state) = EnablingCheckBox(box.parameter)->isChecked();
    }
    return in;
}

// "сформировать": builds the packet from the fields and boxes and writes the listings. A value
// outside its field's range (possible only while a field still holds typed text) is not sent:
// the status line names the field and the packet keeps its previous contents.
bool TForm1::Button_FormFileClick() {
    programmer_->Button_Out->setVisible(true);
    const PacketInputs inputs = ReadPacketInputs();
    try {
        const BuildResult built = BuildPacket(inputs, *services_.parameters);
        state_.packet = built.packet;
        buildStatus_ = QString::fromStdString(built.status);
        SetStatus(buildStatus_);
        SetMemoLines(engineering_->Memo1, built.parameterListing);
        SetMemoLines(engineering_->Memo2, built.crcTrace);
        SetMemoLines(engineering_->Memo_MasIsh, built.packetListing);
        return true;
    } catch (const FieldOutOfRange& e) {
        ShowOutOfRange(e, inputs);
        return false;
    }
}

// The value and the range in the status line, the field's name in its tooltip.
void TForm1::ShowOutOfRange(const FieldOutOfRange& e, const PacketInputs& inputs) {
    const auto i = static_cast<std::size_t>(e.fieldIndex());
    const ParameterField& f = (*services_.parameters)[i];
    SetStatus(
        OutOfRangeStatus(e.fieldIndex(), inputs.fields[i], *services_.parameters),
        QStringLiteral("поле %1: %2").arg(i + 1).arg(QString::fromStdString(NameWithUnit(f))));
}

// "выдать": rebuilds the packet from the fields as they stand, writes "_qq.wav" and "9_fmsig.h",
// shows the signal in the charts and plays it to the end.
void TForm1::Button_OutClick() {
    ClearFilterChart();
    if (!Button_FormFileClick()) {
        return;
    }
    try {
        WriteWavFile(state_.synth, state_.packet, engineering_->CheckBox_ModFiltr->isChecked(),
                     services_.workDir);
    } catch (const FileError& e) {
        // Nothing is played: the status line names the file, the box its full path; both say why.
        const QString reason = QString::fromStdString(FileErrorText(e.code()));
        SetStatus(
            QStringLiteral(" Файл %1 не записан: %2").arg(PathText(e.path().filename()), reason));
        ShowError(QStringLiteral("Файл «%1» не записан: %2.\nСигнал не выдан.")
                      .arg(PathText(e.path()), reason));
        return;
    } catch (const std::exception& e) {  // out of memory and the like
        SetStatus(QStringLiteral(" Сигнал не выдан: файлы не записаны"));
        ShowError(QStringLiteral("Файлы сигнала не записаны: %1.\nСигнал не выдан.")
                      .arg(QString::fromLocal8Bit(e.what())));
        return;
    }
    ShowSignalCharts();
    PlaySignal();
}

void TForm1::ClearFilterChart() {
    filterChart_->ClearLines();
    filterChart_->RedrawSoon();
}

void TForm1::ShowSignalCharts() {
    const Synthesizer& synth = state_.synth;
    filterChart_->SetLine(0, ToQVector(synth.filterChartX()), ToQVector(synth.filterChartY()));
    filterChart_->FitRangeToLines();
    filterChart_->RedrawSoon();

    const QVector<double> y = ToQVector(synth.samples());
    QVector<double> x(y.size());  // the sample's index
    std::iota(x.begin(), x.end(), 0.0);
    signalChart_->SetLine(0, x, y);
    signalChart_->FitRangeToLines();
    signalChart_->RedrawSoon();
}

// Plays "_qq.wav" to the end, listening to it through the check input when one is chosen. The
// window stays painted and shows the progress, takes no input meanwhile and says in the status
// line when the controller heard nothing, or what the check heard.
void TForm1::PlaySignal() {
    if (services_.sound == nullptr) {
        return;
    }
    platform::PlayResult result;
    SendCheckReport checked;
    QString releaseProblem;
    {
        playing_ = true;
        InputBlocker blocker;
        programmer_->StaticText_Error->setText(ProgressText(0.0));
        std::unique_ptr<SendCheck> check;
        if (!soundSettings_.checkInput.empty()) {
            check = std::make_unique<SendCheck>(*state_.devices.sound, soundSettings_.checkInput,
                                                soundSettings_.CheckInputLabel(), state_.packet);
        }
        result = PlayKeyed(check.get(), releaseProblem);
        if (check && result.played && result.error.empty()) {
            programmer_->StaticText_Error->setText(QStringLiteral(" Контроль сигнала..."));
            checked = check->Finish([] { QCoreApplication::processEvents(); });
        }
        playing_ = false;
    }
    ShowSendResult(result, checked);
    if (!releaseProblem.isEmpty()) {
        SetStatus(QStringLiteral(" Передатчик не выключен: ") + releaseProblem);
        ShowError(QStringLiteral("Передатчик не выключен: %1.\nВыключите его вручную.")
                      .arg(releaseProblem));
    }
}

// The status line after a send: the check's verdict when there was one, its tooltip the build's
// status, the output and the check's detail.
void TForm1::ShowSendResult(const platform::PlayResult& result, const SendCheckReport& checked) {
    if (result.deviceMissing) {
        // The chosen output is named as the operator chose it; nothing went anywhere else.
        SetStatus(QStringLiteral(" Сигнал не выдан: нет устройства вывода «%1»")
                      .arg(QString::fromStdString(soundSettings_.DeviceLabel())));
    } else if (result.incomplete) {
        SetStatus(QStringLiteral(" Сигнал не выдан полностью: ") +
                  QString::fromStdString(result.error));
    } else if (!result.played || !result.error.empty()) {
        SetStatus(QStringLiteral(" Сигнал не выдан: ") + QString::fromStdString(result.error));
    } else {
        const SentLine line = SentStatusLine(buildStatus_.toStdString(), result.deviceDescription,
                                             checked, soundSettings_.CheckInputLabel());
        SetStatus(QString::fromStdString(line.status), QString::fromStdString(line.detail));
    }
}

platform::PlayResult TForm1::PlayWavFile(SendCheck* check) {
    const std::string path = (services_.workDir / kWavFileName).string();
    try {
        return services_.sound->PlayFile(path, soundSettings_.Target(), [this, check](double f) {
            if (check != nullptr) {
                check->TakeInput();
            }
            ShowPlaybackProgress(f);
        });
    } catch (const std::exception& e) {
        return platform::PlayFailure(e.what());
    }
}

// "звук...": the output and level of the send and the check input; remembered in the user's
// settings on OK.
void TForm1::Button_SoundSetupClick() {
    SoundDialog dialog(*state_.devices.sound, soundSettings_, this, services_.openTransmitter);
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    soundSettings_ = dialog.chosen();
    WriteSoundSettings(*OpenUserSettings(), soundSettings_);
}

// The status line, one line long; its tooltip holds the whole text, which the line may cut.
void TForm1::SetStatus(const QString& text, const QString& detail) {
    programmer_->StaticText_Error->setText(FitStatusLine(text, *programmer_->StaticText_Error));
    programmer_->StaticText_Error->setToolTip(detail.isEmpty() ? text.trimmed()
                                                               : text.trimmed() + u'\n' + detail);
}

void TForm1::ShowPlaybackProgress(double fraction) {
    programmer_->StaticText_Error->setText(ProgressText(fraction));
    QCoreApplication::processEvents();  // paints; input goes into the blocker
}

// Packet dump: the packet as it stands, without building it.
void TForm1::Button3Click() {
    SetMemoLines(engineering_->Memo1, PacketDump(state_.packet));
}

// The exit button: ends the program.
void TForm1::Button2Click() {
    QCoreApplication::quit();
}

// The filter coefficient follows SpinEdit_Alfa, which holds it in hundredths.
void TForm1::SpinEdit_AlfaChange() {
    state_.synth.setAlpha(engineering_->SpinEdit_Alfa->TypedValueUnclamped() / 100.0);
}

// The synthesis reads the box itself at every send.
void TForm1::CheckBox_ModFiltrClick() {}

// Each field enabled exactly when its box is set, from the start on: a disabled-looking field is
// what tells the operator that its value is not sent.
void TForm1::FollowBoxes() {
    for (const EnablingBox& box : kEnablingBoxes) {
        EnableFieldsOfBox(box.parameter);
    }
}

// SpinEdit_Alfa shows the filter coefficient in hundredths.
void TForm1::ShowFilterCoefficient() {
    engineering_->SpinEdit_Alfa->setValue(
        static_cast<int>(std::lround(state_.synth.alpha() * 100.0)));
}

// Box of parameter 5: enables SpinEdit_5 when set, disables it when clear.
void TForm1::CheckBox_5Click() {
    EnableFieldsOfBox(5);
}

// Box of parameter 6: enables or disables SpinEdit_6 and SpinEdit_7 (parameter 7) with it.
void TForm1::CheckBox_6Click() {
    EnableFieldsOfBox(6);
}

// Box of parameter 8: enables SpinEdit_8 when set, disables it when clear.
void TForm1::CheckBox_8Click() {
    EnableFieldsOfBox(8);
}

// Box of parameter 9: enables SpinEdit_9 when set, disables it when clear.
void TForm1::CheckBox_9Click() {
    EnableFieldsOfBox(9);
}

// Box of parameter 10: enables or disables its three durations.
void TForm1::CheckBox_10Click() {
    EnableFieldsOfBox(10);
}

// The fields that the table puts under the box of `parameter` follow the box, in table order.
void TForm1::EnableFieldsOfBox(int parameter) {
    const bool on = EnablingCheckBox(parameter)->isChecked();
    const auto fields = ParameterFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if ((*services_.parameters)[i].box == parameter) {
            fields[i]->setEnabled(on);
        }
    }
}

// The error box, with its button in Russian like the rest of the window.
void TForm1::ShowError(const QString& text) {
    if (services_.showError) {
        services_.showError(this, text);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Ошибка"), text, QMessageBox::NoButton,
                    this);
    box.addButton(QStringLiteral("Закрыть"), QMessageBox::AcceptRole);
    box.exec();
}

}  // namespace tornel::app
