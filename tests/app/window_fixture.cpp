#include "window_fixture.h"

#include <QFocusEvent>
#include <QSettings>
#include <QTest>

#include "qcustomplot.h"
#include "tests/support/temp_dir.h"

namespace tornel::app::testing {

platform::PlayResult FakeSoundOutput::PlayFile(const std::string& path,
                                               const platform::PlaybackTarget& target,
                                               const std::function<void(double)>& progress) {
    playedPaths.push_back(path);
    playedTargets.push_back(target);
    const std::string bytes = test::ReadFile(path);
    playedFile.assign(bytes.begin(), bytes.end());
    if (progress) {
        progress(0.25);
    }
    if (duringPlayback) {
        duringPlayback();
    }
    if (progress) {
        progress(0.5);
        progress(1.0);
    }
    return result;
}

PacketInputs WindowTest::ShownInputs() const {
    PacketInputs in;
    for (int i = 0; i < kFieldCount; ++i) {
        in.fields[static_cast<std::size_t>(i)] =
            Field(("SpinEdit_" + std::to_string(i + 1)).c_str())->TypedValueUnclamped();
    }
    for (const EnablingBox& box : kEnablingBoxes) {
        in.boxes.*(box.state) =
            Box(("CheckBox_" + std::to_string(box.parameter)).c_str())->isChecked();
    }
    return in;
}

void WindowTest::SetUp() {
    ASSERT_TRUE(dir.isValid());
    // The window's settings come from the test's own folder, never from the user's.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dir.path() + "/config");
    Recreate({});
}

void WindowTest::TearDown() {
    form.reset();
}

void WindowTest::Recreate(const QStringList& arguments, std::filesystem::path workDir,
                          platform::SoundOutput* output) {
    form.reset();
    auto fakeClock = std::make_unique<platform::FakeClock>(platform::Seconds{1000.0});
    auto fakeTone = std::make_unique<fakes::RecordingToneOutput>(fakeClock.get());
    clock = fakeClock.get();
    tone = fakeTone.get();
    state = std::make_unique<ProgramState>(
        SystemDevices{.family = platform::PlatformFamily::Nt,
                      .tone = std::move(fakeTone),
                      .ports = std::make_unique<platform::RecordingPorts>(),
                      .clock = std::move(fakeClock)});
    WindowServices services;
    services.sound = output != nullptr ? output : &sound;
    services.workDir = workDir.empty() ? std::filesystem::path(dir.path().toStdString()) : workDir;
    services.helpFolders = {dir.path()};  // never the help files of the folder tests run in
    services.showError = [this](QWidget*, const QString& text) { errors << text; };
    services.parameters = parameters;
    services.openTransmitter = openTransmitter;
    services.makeChart = makeChart;
    services.titlePicture = titlePicture;
    services.hiddenPartsAfterFirstPaint = hiddenPartsAfterFirstPaint;
    services.chooseFile = [this](QWidget*, FileChoice, const QString& folder) {
        dialogFolder = folder;
        return chosenFile;
    };
    form = std::make_unique<TForm1>(*state, std::move(services), arguments);
}

QCustomPlot* WindowTest::Plot(const char* name) const {
    auto* plot = Control<QWidget>(name)->findChild<QCustomPlot*>();
    EXPECT_NE(plot, nullptr) << name << " holds no plot";
    return plot;
}

QStringList WindowTest::MemoLines(const char* name) const {
    return Control<QPlainTextEdit>(name)->toPlainText().split(u'\n');
}

void LeaveField(SpinEdit* field) {
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(field, &out);
}

void TypeInto(SpinEdit* field, const QString& keys) {
    field->selectAll();
    QTest::keyClicks(field, keys);
}

}  // namespace tornel::app::testing
