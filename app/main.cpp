// Start-up of the programmer: the state the program keeps for its whole run (its tone output
// opened once, after the window's first paint, ready for the trainer's beeps), the application
// object with Qt's Russian texts, the font configuration and the title picture read on second
// threads meanwhile, the main window (which chooses the view; in the normal view its programmer
// page, engineering panels and help pages are made once it has first painted), shown in a scroll
// area where the screen is too small for it, the hidden second window, then the message loop
// until the window closes.

#include <QApplication>
#include <QIcon>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>

#include "app/program_state.h"
#include "app/start_up.h"
#include "app/tform1.h"
#include "app/tform2.h"
#include "app/title_picture.h"
#include "install_layout.h"
#include "platform/font_configuration.h"

namespace {

constexpr const char* kUsage =
    "Использование: tornel4 [tq] [--menu]\n"
    "  tq         (только первым) инженерный вид: листинги пакета и параметров, трасса CRC,\n"
    "             управление фильтром; без него обычный вид\n"
    "  --menu     запуск из меню рабочего стола: _qq.wav и 9_fmsig.h пишутся в папку\n"
    "             Tornel-4 в папке документов пользователя, а не в рабочий каталог\n"
    "  --version  версия программы\n"
    "  --help     эта справка\n";

// "--version" and "--help" as the first argument answer on the terminal, without a window.
bool AnswersOnTerminal(int argc, char* argv[]) {
    if (argc < 2) {
        return false;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::cout << "tornel4 " << tornel::install::kVersion << '\n';
        return true;
    }
    if (std::strcmp(argv[1], "--help") == 0) {
        std::cout << kUsage;
        return true;
    }
    return false;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (AnswersOnTerminal(argc, argv)) {
        return 0;
    }
    // Qt aborts when it cannot open a display; say what is missing instead.
    if (const auto message = tornel::app::MissingDisplayMessage()) {
        std::cerr << *message << '\n';
        return 1;
    }

    // The font configuration is read while the application object is made.
    auto fontConfiguration = tornel::platform::ReadFontConfigurationInBackground();

    // Before any window exists: the speaker services with the sound on, packet bytes 14 and 15,
    // filter coefficient 0.2, the trainer.
    const auto state = std::make_unique<tornel::app::ProgramState>();

    std::optional<tornel::app::DisplayFailureGuard> displayGuard(std::in_place);
    QApplication application(argc, argv);
    displayGuard.reset();
    // Loads the image-format plugins and decodes the title picture while the window is made.
    auto titlePicture = tornel::app::ReadTitlePictureInBackground();
    tornel::app::LoadQtTranslations(application);
    tornel::app::UseDesignFont();
    QApplication::setApplicationName(QStringLiteral("tornel4"));
    QApplication::setOrganizationName(QStringLiteral("tornel4"));
    QApplication::setApplicationVersion(QString::fromLatin1(tornel::install::kVersion));
    // Lets the desktop match the window to its menu entry and icon.
    QApplication::setDesktopFileName(QStringLiteral("io.github.tornel4.programmer"));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral("tornel4")));  // once installed
    const auto sound = state->devices.sound->MakeSoundOutput();

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    tornel::app::WindowServices services;
    services.sound = sound.get();
    services.helpFolders = tornel::app::HelpFolders();
    services.titlePicture = std::move(titlePicture);
    services.hiddenPartsAfterFirstPaint = true;
    if (tornel::app::StartedFromMenu(arguments)) {
        services.workDir = tornel::app::MenuOutputFolder();
    }
    fontConfiguration.wait();  // the window measures its first text while it is made
    tornel::app::TForm1 form1(*state, std::move(services), arguments);
    // The trainer's beep stream, ready long before its first beep (two seconds after "старт").
    tornel::app::AfterFirstPaint(form1, [&state = *state] { state.OpenToneOutput(); });
    tornel::app::ReportFirstPaint(form1);  // before the work that waits for the paint
    const tornel::app::ScrollWindow scroll = tornel::app::ShowOnScreen(form1);

    tornel::app::TForm2 form2;  // created and kept, never shown

    return QApplication::exec();
}
