// What start-up decides outside the window: where a menu start writes its files, where the
// window is placed on a screen smaller than the engineering view, and that the beep stream is
// opened only after the window's first paint.

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include "app/start_up.h"
#include "tests/support/run_process.h"
#include "tests/trainer/recording_tone_output.h"
#include "window_fixture.h"

namespace tornel::app::testing {
namespace {

// A home folder of its own, with the documents folder the desktop's user-dirs.dirs names.
class MenuOutput : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        savedHome_ = qgetenv("HOME");
        savedConfig_ = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
    }
    void TearDown() override {
        qputenv("HOME", savedHome_);
        savedConfig_.isNull() ? qunsetenv("XDG_CONFIG_HOME")
                              : qputenv("XDG_CONFIG_HOME", savedConfig_);
    }
    void WriteUserDirs(const QByteArray& documentsLine) const {
        ASSERT_TRUE(QDir(home.path()).mkpath(".config"));
        QFile file(home.filePath(".config/user-dirs.dirs"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(documentsLine + "\n");
    }

    QTemporaryDir home;

  private:
    QByteArray savedHome_;
    QByteArray savedConfig_;
};

TEST_F(MenuOutput, FolderTornel4InTheDocumentsFolderIsCreatedNeverTheHomeFolderItself) {
    struct Case {
        QByteArray userDirsLine;  // empty: no user-dirs.dirs
        QString expected;         // relative to the home folder
    };
    const Case cases[] = {
        {"", QStringLiteral("Documents/Tornel-4")},
        {"XDG_DOCUMENTS_DIR=\"$HOME/Документы\"", QStringLiteral("Документы/Tornel-4")},
        // xdg-user-dirs points a folder the user removed at the home folder itself.
        {"XDG_DOCUMENTS_DIR=\"$HOME/\"", QStringLiteral("Tornel-4")},
    };
    for (const Case& c : cases) {
        QDir(home.path()).removeRecursively();
        ASSERT_TRUE(QDir().mkpath(home.path()));
        if (!c.userDirsLine.isEmpty()) {
            WriteUserDirs(c.userDirsLine);
        }
        const QString folder = QString::fromStdString(MenuOutputFolder().string());
        EXPECT_EQ(QDir::cleanPath(folder), QDir(home.path()).filePath(c.expected))
            << c.expected.toStdString();
        EXPECT_TRUE(QFileInfo(folder).isDir()) << c.expected.toStdString();
    }
}

TEST(MenuStart, OptionMayStandAnywhereAndLeavesTheViewToTheFirstArgument) {
    EXPECT_FALSE(StartedFromMenu({}));
    EXPECT_FALSE(StartedFromMenu({QStringLiteral("tq")}));
    EXPECT_TRUE(StartedFromMenu({QStringLiteral("tq"), QStringLiteral("--menu")}));
    EXPECT_TRUE(StartedFromMenu({QStringLiteral("--menu")}));
}

using Placement = WindowTest;

TEST_F(Placement, TopLeftCornerStaysOnAScreenSmallerThanTheWindow) {
    for (const QStringList& arguments : {QStringList{}, QStringList{QStringLiteral("tq")}}) {
        Recreate(arguments);
        const QRect area = form->screen()->availableGeometry();
        ASSERT_GT(form->width(), area.width())
            << "the test needs a screen narrower than the window";
        PlaceOnScreen(*form);
        // Wider than the screen: the left edge on the screen's left edge, not beyond it.
        EXPECT_EQ(form->pos().x(), area.x()) << arguments.join(' ').toStdString();
        EXPECT_TRUE(area.contains(form->pos())) << arguments.join(' ').toStdString();
    }
    QWidget small;
    small.resize(200, 100);
    PlaceOnScreen(small);
    const QRect area = small.screen()->availableGeometry();
    EXPECT_EQ(small.frameGeometry().center(), area.center());
}

// In logical pixels: at 150 % a 1366 x 768 screen is 910 x 512.
TEST(ScreenFit, WindowFitsWhenItsClientAreaAndFrameFitTheFreeArea) {
    struct Case {
        QSize client;
        QRect freeArea;
        bool fits;
    };
    const QSize engineering(kDesignClientWidth, kDesignClientHeight);
    const QSize normal(kNormalOuterWidth, kNormalOuterHeight);
    const Case cases[] = {
        {engineering, QRect(0, 0, 1366, 768), false},
        {engineering, QRect(0, 0, 1920, 1080), true},
        {normal, QRect(0, 0, 1366, 768), true},
        {normal, QRect(0, 0, 910, 512), false},
        {normal,
         QRect(0, 0, normal.width() + kFrameRoom.width(), normal.height() + kFrameRoom.height()),
         true},
        {normal,
         QRect(0, 0, normal.width() + kFrameRoom.width(),
               normal.height() + kFrameRoom.height() - 1),
         false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FitsOnScreen(c.client, c.freeArea), c.fits)
            << c.client.width() << "x" << c.client.height() << " on " << c.freeArea.width() << "x"
            << c.freeArea.height();
    }
}

// The offscreen screen (800 x 600) is smaller than either view.
TEST_F(Placement, WindowTooLargeForTheScreenIsShownInAScrollAreaThatFitsIt) {
    Recreate({QStringLiteral("tq")});
    const QRect area = form->screen()->availableGeometry();
    ASSERT_FALSE(FitsOnScreen(form->size(), area));
    {
        const ScrollWindow scroll = ShowOnScreen(*form);
        ASSERT_NE(scroll, nullptr);
        EXPECT_EQ(scroll->widget(), form.get());
        EXPECT_EQ(form->size(), QSize(kDesignClientWidth, kDesignClientHeight));
        EXPECT_TRUE(area.contains(scroll->frameGeometry().topLeft()));
        EXPECT_LE(scroll->width(), area.width());
        EXPECT_EQ(scroll->windowTitle(), form->windowTitle());
        // The far corner's control can be scrolled into view.
        QWidget* exit = Button("Button2");
        scroll->ensureWidgetVisible(exit);
        EXPECT_GT(scroll->horizontalScrollBar()->value(), 0);
    }
    EXPECT_EQ(form->parent(), nullptr);  // given back, not deleted

    QWidget small;
    small.resize(200, 100);
    EXPECT_EQ(ShowOnScreen(small), nullptr);
    EXPECT_TRUE(small.isVisible());
}

TEST(QtTexts, StandardDialogsSpeakRussian) {
    ASSERT_TRUE(LoadQtTranslations(*QCoreApplication::instance()))
        << "qtbase_ru.qm not found: install qt6-translations-l10n";
    // The dialog buttons' texts come from the platform theme, the file dialog's labels its own.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Отмена"));
    EXPECT_NE(QCoreApplication::translate("QFileDialog", "Look in:"), QStringLiteral("Look in:"));
}

TEST(DisplayFailure, DisplayThatCannotBeOpenedEndsWithStatus1AndARussianMessage) {
    const auto r = test::RunProcess(
        "/usr/bin/env", {"-u", "QT_QPA_PLATFORM", "-u", "WAYLAND_DISPLAY", "DISPLAY=:97.0",
                         std::string(TORNEL_BINARY_DIR) + "/tornel4"});
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find(DisplayFailureMessage(":97.0")), std::string::npos) << r.err;
}

// A sound system of tone outputs alone, which counts the ones it made.
class ToneCountingBackend : public platform::SoundBackend {
  public:
    std::unique_ptr<platform::ToneOutput> MakeToneOutput() override {
        ++made;
        return std::make_unique<fakes::RecordingToneOutput>();
    }
    std::unique_ptr<platform::SoundOutput> MakeSoundOutput() override { return nullptr; }
    std::unique_ptr<platform::SoundInput> MakeSoundInput(const std::string&) override {
        return nullptr;
    }
    platform::SoundDevices ListDevices() override { return {}; }
    std::unique_ptr<platform::DeviceWatch> WatchDevices() override { return nullptr; }
    std::unique_ptr<platform::BackgroundPlayback> StartCheckTone(
        const platform::PlaybackTarget&) override {
        return nullptr;
    }
    int made = 0;
};

TEST(BeepStream, OpensOnceAfterTheFirstPaint) {
    auto backend = std::make_unique<ToneCountingBackend>();
    const int& made = backend->made;
    ProgramState state(SystemDevices{.family = platform::PlatformFamily::Nt,
                                     .sound = std::move(backend),
                                     .ports = std::make_unique<platform::RecordingPorts>(),
                                     .clock = std::make_unique<platform::FakeClock>()});
    EXPECT_EQ(made, 0) << "the stream was opened before the window";
    QWidget window;
    AfterFirstPaint(window, [&] { state.OpenToneOutput(); });
    window.show();
    EXPECT_TRUE(QTest::qWaitFor([&] { return made > 0; }, 5000));
    state.devices.tone->Beep(800, 10);  // on the stream opened then
    EXPECT_EQ(made, 1);
}

}  // namespace
}  // namespace tornel::app::testing
