// Start-up of the programmer: the state the program keeps for its whole run (with the tone output
// opened once, ready for the trainer's beeps), the application object, the main window (whose
// creation loads the help pages, draws the trainer's diagram and chooses the view), the hidden
// second window, then the message loop until the window closes.

#include <QApplication>
#include <QScreen>
#include <memory>

#include "app/program_state.h"
#include "app/tform1.h"
#include "app/tform2.h"

namespace {

void CenterOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    window.move(area.x() + (area.width() - window.width()) / 2,
                area.y() + (area.height() - window.height()) / 2);
}

}  // namespace

int main(int argc, char* argv[]) {
    // Before any window exists: the speaker services with the sound on, packet bytes 14 and 15,
    // filter coefficient 0.2, the trainer.
    const auto state = std::make_unique<tornel::app::ProgramState>();

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("tornel4"));
    const auto sound = state->devices.sound->MakeSoundOutput();

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    tornel::app::WindowServices services;
    services.sound = sound.get();
    tornel::app::TForm1 form1(*state, std::move(services), arguments);
    CenterOnScreen(form1);
    form1.show();

    tornel::app::TForm2 form2;  // created and kept, never shown

    return QApplication::exec();
}
