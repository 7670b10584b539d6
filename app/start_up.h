#pragma once
// What start-up decides before the window exists: whether there is a display to open it on,
// where the help pages are looked up, where the signal files are written, and where the window
// is placed. Kept apart from main() so that tests can check each decision.

#include <QSize>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class QCoreApplication;
class QRect;
class QScrollArea;
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

// Room for the window manager's frame and title bar, which are known only once the window is
// shown: a window fits when its client area and this room fit into the screen's free area.
inline constexpr QSize kFrameRoom{16, 40};
bool FitsOnScreen(const QSize& client, const QRect& freeArea);

// A scroll area shown as the program's window, holding the main window, which it gives back
// rather than deletes when it goes (the main window has an owner of its own).
struct GiveBackWidget {
    void operator()(QScrollArea* area) const;
};
using ScrollWindow = std::unique_ptr<QScrollArea, GiveBackWidget>;

// Shows the window, placed on its screen. Where the screen's free area cannot hold it (the
// engineering view on a 1366 x 768 screen, the normal view at 150 % scaling), the window keeps
// its design size inside a scroll area that fits the free area, so that every control stays
// reachable; that scroll area is returned and must outlive the message loop. Nothing changes
// where the window fits: nothing is returned.
ScrollWindow ShowOnScreen(QWidget& window);

// The window's design font (11-pixel sans serif) as the application's, before the window is made,
// so that its controls start with it rather than change to it one by one.
void UseDesignFont();

// Qt's own texts (the standard file dialogs, the context menus of text fields) in Russian, from
// Qt's translations (qtbase_ru.qm); false when they are not installed, and the texts stay
// English.
bool LoadQtTranslations(QCoreApplication& application);

// Qt ends the process with an abort when the display that DISPLAY names cannot be opened (a stale
// variable in an ssh session). While a guard lives, a fatal message from Qt prints `message`
// instead, with the display's name, and ends the process with status 1.
class DisplayFailureGuard {
  public:
    DisplayFailureGuard();
    ~DisplayFailureGuard();
    DisplayFailureGuard(const DisplayFailureGuard&) = delete;
    DisplayFailureGuard& operator=(const DisplayFailureGuard&) = delete;
};

// With "tornel4.startup.debug=true" in QT_LOGGING_RULES, the line kFirstPaintLine goes to standard
// error once the window's first paint is done (every control drawn and on the screen), for
// measuring the start-up from outside the process. Of the work waiting for the first paint, the
// watch set up last runs first: set this one up after the others.
inline constexpr const char* kFirstPaintLine = "window painted";
void ReportFirstPaint(QWidget& window);

// Runs `work` once the window's first paint is done, from the message loop: what the first sight
// of the window need not wait for.
void AfterFirstPaint(QWidget& window, std::function<void()> work);

// What the guard prints, for the display named `display`.
std::string DisplayFailureMessage(const std::string& display);

}  // namespace tornel::app
