#pragma once
// What start-up decides before the window exists: whether there is a display to open it on,
// where the help pages are looked up, where the signal files are written, and where the window
// is placed. Kept apart from main() so that tests can check each decision.

#include <QStringList>
#include <filesystem>
#include <optional>
#include <string>

class QWidget;

namespace tornel::app {

// The option the desktop entry passes. It may stand anywhere on the command line, so that
// "tq --menu" still opens the engineering view (only the first argument chooses the view).
inline constexpr const char* kMenuOption = "--menu";

// The message for a start with no desktop display to open the window on (neither DISPLAY nor
// WAYLAND_DISPLAY set, and no QT_QPA_PLATFORM naming another platform), or nothing.
std::optional<std::string> MissingDisplayMessage();

// Started from the desktop menu, the working directory is whatever the desktop chose (usually
// the home folder): the signal files go to the folder "Tornel-4" in the user's documents folder
// (XDG_DOCUMENTS_DIR, e.g. ~/Документы), created when missing. Started from a terminal, they go
// to the working directory.
bool StartedFromMenu(const QStringList& arguments);
std::filesystem::path MenuOutputFolder();

// The folders the help pages are looked up in, in this order: the working directory, then the
// installed data folder <prefix>/share/tornel4 beside the program's <prefix>/bin.
QStringList HelpFolders();

// Centres the window on its screen, but keeps its top-left corner on the screen when the window
// is larger than the screen (the engineering view is 1397 pixels wide).
void PlaceOnScreen(QWidget& window);

}  // namespace tornel::app
