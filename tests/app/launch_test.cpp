// What start-up decides outside the window: where a menu start writes its files, and where the
// window is placed on a screen smaller than the engineering view.

#include <QDir>
#include <QFile>
#include <QScreen>

#include "app/start_up.h"
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

}  // namespace
}  // namespace tornel::app::testing
