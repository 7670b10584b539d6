#include "window_fixture.h"

#include <QApplication>
#include <QFocusEvent>
#include <QTest>
#include <fstream>
#include <iterator>

namespace tornel::app::testing {

namespace {

// One application object for the whole test program, as the window needs one.
class QtApplicationEnvironment : public ::testing::Environment {
  public:
    void SetUp() override { app_ = std::make_unique<QApplication>(argc_, argv_); }
    void TearDown() override { app_.reset(); }

  private:
    int argc_ = 1;
    char name_[16] = "app_tests";
    char* argv_[2] = {name_, nullptr};
    std::unique_ptr<QApplication> app_;
};

// gtest owns registered environments.
[[maybe_unused]] ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtApplicationEnvironment);

}  // namespace

platform::PlayResult FakeSoundOutput::PlayFile(const std::string& path,
                                               const std::function<void(double)>& progress) {
    playedPaths.push_back(path);
    std::ifstream in(path, std::ios::binary);
    playedFile.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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

void WindowTest::SetUp() {
    ASSERT_TRUE(dir.isValid());
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
    services.showError = [this](QWidget*, const QString& text) { errors << text; };
    form = std::make_unique<TForm1>(*state, std::move(services), arguments);
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
