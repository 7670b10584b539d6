#pragma once
// The main window of the programmer. Its controls come from the Designer forms tform1.ui (the
// window, its tabs and the title page), programmer_page.ui and engineering_panels.ui, and
// keep the names the operator's manual and the listings refer to (SpinEdit_1, Button_Out, ...).
// Every handler reads the controls at the moment it runs, calls the core and writes the
// results back into the memos, the status line and the charts. The window keeps no parameter
// values of its own: they live in the fields.

#include <QImage>
#include <QStringList>
#include <QWidget>
#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <vector>

#include "app/program_state.h"
#include "app/sound_settings.h"
#include "platform/sound_output.h"
#include "ptt/background_keying.h"
#include "ptt/transmitter.h"
#include "widgets/chart.h"

class QCheckBox;
class QPlainTextEdit;
class QTimer;

namespace Ui {
class TForm1;
class ProgrammerPage;
class EngineeringPanels;
class HelpPages;
}  // namespace Ui

namespace tornel::app {

class SendCheck;
struct SendCheckReport;
class SpinEdit;

// What the file dialog is asked for.
enum class FileChoice { LoadSet, SaveSet };

// What the window needs from outside: where the signal is played and written, and how an error
// is shown. Tests hand in a fake sound output, a temporary folder and a recording error box.
struct WindowServices {
    platform::SoundOutput* sound = nullptr;  // not owned; must outlive the window
    std::filesystem::path workDir = ".";     // "_qq.wav" and "9_fmsig.h" are written here
    // The folders "help1.rtf" .. "help3.rtf" are looked up in, in this order; none: the working
    // directory.
    QStringList helpFolders;
    // The standard error box; QMessageBox::critical when empty.
    std::function<void(QWidget*, const QString&)> showError;
    // The standard file dialog, opened in `folder`; returns the chosen path, empty when
    // cancelled. Tests hand in a chooser.
    std::function<QString(QWidget*, FileChoice, const QString& folder)> chooseFile;
    // The fields' ranges, steps and design values; not owned, must outlive the window.
    const ParameterTable* parameters = &kParameterTable;
    // Opens the transmitter the sound setup names; empty: the real one (ptt::OpenTransmitter).
    ptt::TransmitterOpener openTransmitter;
    // Makes a plot into its place; empty: the chart module's (widgets::MakeChart).
    std::function<std::unique_ptr<widgets::Chart>(widgets::ChartKind, QWidget&)> makeChart;
    // The title picture being read in the background; empty: read while the window is made.
    std::shared_future<QImage> titlePicture;
    // In the normal view, the parts that its first sight does not show (the programmer page, the
    // engineering panels, the help pages and the plots) are made once the window has first painted, not
    // while it is made. The engineering view shows them at once and makes them at once.
    bool hiddenPartsAfterFirstPaint = false;
};

inline constexpr int kNormalOuterWidth = 858;
inline constexpr int kNormalOuterHeight = 572;
inline constexpr int kDesignClientWidth = 1397;
inline constexpr int kDesignClientHeight = 745;

class TForm1 : public QWidget {
    Q_OBJECT

  public:
    // `arguments`: the command line without the program name; "tq" first selects the
    // engineering view.
    TForm1(ProgramState& state, WindowServices services, const QStringList& arguments,
           QWidget* parent = nullptr);
    ~TForm1() override;

    bool engineeringView() const { return engineeringView_; }
    bool playing() const { return playing_; }

  protected:
    bool event(QEvent* event) override;

  private:
    // Start-up.
    void MakeHiddenParts();
    void FormCreate();
    void ChooseView(const QStringList& arguments);
    void ShowViewPanels();
    void FitOuterSize();

    // Design details that a Designer form cannot hold (tform1_look.cpp).
    void ApplyTitleFonts();
    void ApplyDesignFonts();
    void SetUpTabs();
    void SetUpTrainerIndicator();
    void SetUpCharts();
    void MakeHelpPages();
    void SetUpHelpViews();
    void ApplyParameterTable();
    void SetAccessibleNames();
    void ConnectHandlers();
    void FollowBoxes();
    void ShowFilterCoefficient();

    // Keyboard use (tform1_keyboard.cpp).
    void SetUpKeyboard();
    void HideEngineeringPanels();

    // Commands.
    bool Button_FormFileClick();
    void Button_OutClick();
    void Button3Click();            // shows the packet dump as it stands, without building
    void Button_SoundSetupClick();  // "звук...": the sound output, level and check input
    void Button2Click();            // quits the program
    void Button1Click();  // "считать": loads a parameter set or a recording into the fields
    void Button4Click();  // "сохранить": saves the fields and boxes as a parameter set
    void SpinEdit_AlfaChange();
    void CheckBox_ModFiltrClick();
    void CheckBox_5Click();
    void CheckBox_6Click();
    void CheckBox_8Click();
    void CheckBox_9Click();
    void CheckBox_10Click();

    // The PTT pattern trainer (tform1_trainer.cpp).
    void SpinEdit_10Change();
    void Button_SoundClick();
    void Timer1Timer();  // one tick of a trainer run: cursor, indicator, beeps, stop
    void Timer2Timer();  // the first tick after start-up: draws the pattern once
    void CheckBox_ZwukClick();
    void TickAtNextEdge(double patternTime);
    void ShowCursor(const CursorPoints& cursor);
    void SetPttIndicator(std::uint32_t colour, bool labelVisible);
    void SetShapeColor(const QColor& color);

    // Helpers of the commands.
    PacketInputs ReadPacketInputs() const;
    std::array<SpinEdit*, kFieldCount> ParameterFields() const;
    QCheckBox* EnablingCheckBox(int parameter) const;
    void EnableFieldsOfBox(int parameter);
    void ShowParameterSet(const PacketInputs& inputs);
    QString ChooseFile(FileChoice choice);
    void ClearFilterChart();
    void ShowSignalCharts();
    void PlaySignal();
    platform::PlayResult PlayWavFile(SendCheck* check);

    // Keying the transmitter (tform1_keying.cpp): around a send, and in a trainer run.
    std::unique_ptr<ptt::Transmitter> OpenTransmitter(const ptt::PttChoice& choice) const;
    platform::PlayResult PlayKeyed(SendCheck* check, QString& releaseProblem);
    void WaitKeepingPainted(std::chrono::milliseconds span);
    bool StartTrainerKeying();
    bool FollowTrainerKeying(bool pttOn);
    void StopTrainerKeying();
    void ShowSendResult(const platform::PlayResult& result, const SendCheckReport& checked);
    void ShowPlaybackProgress(double fraction);
    void ShowOutOfRange(const FieldOutOfRange& e, const PacketInputs& inputs);
    void ShowError(const QString& text);
    void SetStatus(const QString& text, const QString& detail = {});

    std::unique_ptr<Ui::TForm1> ui_;                      // the window and its title page
    std::unique_ptr<Ui::ProgrammerPage> programmer_;      // the programmer page's controls
    std::unique_ptr<Ui::EngineeringPanels> engineering_;  // the panels beside the tabs
    std::unique_ptr<Ui::HelpPages> help_;                 // the help tabs' boxes and views
    ProgramState& state_;
    WindowServices services_;
    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    bool engineeringView_ = false;
    bool fitOuterSizePending_ = false;
    bool playing_ = false;
    QString buildStatus_;
    // The output, level and check input of the send, from the user's settings.
    SoundSettings soundSettings_;
    // The plots in Chart_PTT, Chart_Filtr and Chart1, made with the hidden parts.
    std::unique_ptr<widgets::Chart> patternChart_;
    std::unique_ptr<widgets::Chart> filterChart_;
    std::unique_ptr<widgets::Chart> signalChart_;
    // The transmitter of a trainer run with keying, from "старт" to the run's end; keyed from a
    // thread of its own, so that a tick never waits for it.
    std::unique_ptr<ptt::BackgroundKeying> trainerKeying_;
};

}  // namespace tornel::app
