#pragma once
// A real main window for a test: its own program state, a fake sound output, a temporary
// working folder and an error box that records instead of showing. The trainer runs on a fake
// clock that moves only when the test moves it, and its beeps are recorded (each taking its
// length on that clock).

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QImage>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <functional>
#include <future>
#include <memory>

#include "app/spin_edit.h"
#include "app/tform1.h"
#include "tests/trainer/recording_tone_output.h"

class QCustomPlot;

namespace tornel::app::testing {

class FakeSoundOutput : public platform::SoundOutput {
  public:
    static platform::PlayResult Played() {
        platform::PlayResult played;
        played.played = true;
        played.deviceDescription = "Тестовый вывод";
        return played;
    }
    platform::PlayResult PlayFile(const std::string& path, const platform::PlaybackTarget& target,
                                  const std::function<void(double)>& progress) override;

    platform::PlayResult result = Played();
    std::function<void()> duringPlayback;  // runs between two progress reports
    std::vector<std::string> playedPaths;
    std::vector<platform::PlaybackTarget> playedTargets;
    std::vector<char> playedFile;  // the file's bytes at the moment it was played
};

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // A fresh window with these command-line arguments (the default fixture uses none).
    void Recreate(const QStringList& arguments, std::filesystem::path workDir = {},
                  platform::SoundOutput* output = nullptr);

    template <typename T>
    T* Control(const char* name) const {
        T* control = form->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    // The plot the chart module made into the place `name`.
    QCustomPlot* Plot(const char* name) const;
    SpinEdit* Field(const char* name) const { return Control<SpinEdit>(name); }
    QPushButton* Button(const char* name) const { return Control<QPushButton>(name); }
    QCheckBox* Box(const char* name) const { return Control<QCheckBox>(name); }
    QStringList MemoLines(const char* name) const;
    QString Status() const { return Control<QLabel>("StaticText_Error")->text(); }
    QString StatusTip() const { return Control<QLabel>("StaticText_Error")->toolTip(); }
    // The whole status message, also when the line shows it cut: the tooltip's first line.
    QString StatusMessage() const { return u' ' + StatusTip().section(u'\n', 0, 0); }
    // The file the next file dialog returns.
    void Choose(const std::filesystem::path& file) {
        chosenFile = QString::fromStdString(file.string());
    }
    // Every field as typed and every box, as the window shows them.
    PacketInputs ShownInputs() const;

    QTemporaryDir dir;
    const ParameterTable* parameters = &kParameterTable;  // what Recreate hands the window
    ptt::TransmitterOpener openTransmitter;               // likewise; empty: the real one
    decltype(WindowServices::makeChart) makeChart;        // likewise; empty: the chart module
    std::shared_future<QImage> titlePicture;              // likewise; empty: read in place
    bool hiddenPartsAfterFirstPaint = false;              // likewise
    QString chosenFile;    // what the window's file dialog returns ("": cancelled)
    QString dialogFolder;  // the folder the last file dialog opened in
    std::unique_ptr<ProgramState> state;
    FakeSoundOutput sound;
    QStringList errors;
    std::unique_ptr<TForm1> form;
    // Owned by `state`; replaced by Recreate.
    platform::FakeClock* clock = nullptr;
    fakes::RecordingToneOutput* tone = nullptr;
};

// Not hidden on its own account (a page that is not the current tab hides its contents).
inline bool Shown(const QWidget* widget) {
    return !widget->isHidden();
}

// Moves the focus out of a field the way a click elsewhere does.
void LeaveField(SpinEdit* field);
// Selects the field's text and types `keys` into it.
void TypeInto(SpinEdit* field, const QString& keys);

}  // namespace tornel::app::testing
