// GoogleTest entry point for every test program that makes widgets: they need one QApplication
// for the whole run.
#include <QApplication>
#include <QtGlobal>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    // CTest sets the offscreen platform for the runs, but test discovery starts the program
    // without it; without a display the default platform would abort the program.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
