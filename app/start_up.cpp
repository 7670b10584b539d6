#include "app/start_up.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QEvent>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyle>
#include <QTimer>
#include <QTranslator>
#include <QWidget>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <utility>

#include "install_layout.h"

namespace tornel::app {

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

Q_LOGGING_CATEGORY(lcStartUp, "tornel4.startup", QtWarningMsg)

// Runs its work at the first paint of the widget it watches, then removes itself.
class AtFirstPaint : public QObject {
  public:
    AtFirstPaint(QObject* parent, std::function<void()> work)
        : QObject(parent), work_(std::move(work)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            deleteLater();
            work_();
        }
        return false;
    }

  private:
    std::function<void()> work_;
};

void WatchFirstPaint(QWidget& window, std::function<void()> work) {
    window.installEventFilter(new AtFirstPaint(&window, std::move(work)));  // owned by the window
}

// The message handler in force before the guard's, for every message but the fatal one.
QtMessageHandler previousHandler = nullptr;

void EndOnFatalMessage(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type != QtFatalMsg) {
        if (previousHandler != nullptr) {
            previousHandler(type, context, text);
        }
        return;
    }
    const char* display = std::getenv("DISPLAY");
    const std::string message = DisplayFailureMessage(display != nullptr ? display : "");
    std::fprintf(stderr, "%s\n", message.c_str());
    std::_Exit(1);  // Qt's state is broken here: no destructors, no atexit handlers
}

}  // namespace

std::optional<std::string> MissingDisplayMessage() {
    if (IsSet("QT_QPA_PLATFORM") || IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY")) {
        return std::nullopt;
    }
    return "tornel4: окну программы нужен графический рабочий стол, а он не найден "
           "(не заданы переменные DISPLAY и WAYLAND_DISPLAY). Запустите программу из сеанса "
           "рабочего стола.";
}

bool StartedFromMenu(const QStringList& arguments) {
    return arguments.contains(QString::fromLatin1(kMenuOption));
}

std::filesystem::path MenuOutputFolder() {
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString folder = QDir(documents).filePath(QStringLiteral("Tornel-4"));
    QDir().mkpath(folder);  // a failure shows when the first send cannot write its file
    return folder.toStdString();
}

QStringList HelpFolders() {
    const QDir programDir(QCoreApplication::applicationDirPath());
    return {QDir::currentPath(),
            QDir::cleanPath(programDir.filePath(QString::fromLatin1(install::kDataDirFromBin)))};
}

void PlaceOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    const QSize size = window.frameGeometry().size();
    window.move(area.x() + std::max(0, (area.width() - size.width()) / 2),
                area.y() + std::max(0, (area.height() - size.height()) / 2));
}

bool FitsOnScreen(const QSize& client, const QRect& freeArea) {
    const QSize outer = client + kFrameRoom;
    return outer.width() <= freeArea.width() && outer.height() <= freeArea.height();
}

void GiveBackWidget::operator()(QScrollArea* area) const {
    area->takeWidget();
    delete area;
}

ScrollWindow ShowOnScreen(QWidget& window) {
    const QScreen* screen = window.screen();
    if (screen == nullptr || FitsOnScreen(window.size(), screen->availableGeometry())) {
        PlaceOnScreen(window);
        window.show();
        return nullptr;
    }
    const QRect area = screen->availableGeometry();
    ScrollWindow scroll(new QScrollArea);
    scroll->setWindowTitle(window.windowTitle());
    scroll->setWindowIcon(window.windowIcon());
    scroll->setWidget(&window);  // the window becomes the area's content, at its fixed size
    const int bar = scroll->style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    // The window, a scroll bar each way and the frame; a few pixels more, so that a dimension that
    // fits the screen shows no scroll bar of its own.
    const int edge = 2 * scroll->frameWidth() + 4;
    const QSize whole = window.size() + QSize(bar + edge, bar + edge);
    scroll->resize(whole.boundedTo(area.size() - kFrameRoom));
    scroll->move(area.topLeft());
    scroll->show();
    return scroll;
}

void UseDesignFont() {
    QFont font(QStringLiteral("Liberation Sans"));
    font.setPixelSize(11);
    QApplication::setFont(font);
}

bool LoadQtTranslations(QCoreApplication& application) {
    auto* translator = new QTranslator(&application);  // owned by the application
    if (!translator->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        return false;
    }
    return QCoreApplication::installTranslator(translator);
}

DisplayFailureGuard::DisplayFailureGuard() {
    previousHandler = qInstallMessageHandler(EndOnFatalMessage);
}

DisplayFailureGuard::~DisplayFailureGuard() {
    qInstallMessageHandler(previousHandler);
    previousHandler = nullptr;
}

void ReportFirstPaint(QWidget& window) {
    if (lcStartUp().isDebugEnabled()) {
        AfterFirstPaint(window, [] { qCDebug(lcStartUp, "%s", kFirstPaintLine); });
    }
}

void AfterFirstPaint(QWidget& window, std::function<void()> work) {
    WatchFirstPaint(window, [work = std::move(work)] {
        QTimer::singleShot(0, work);  // once the paint is done and on the screen
    });
}

std::string DisplayFailureMessage(const std::string& display) {
    return "tornel4: не удаётся открыть графический дисплей «" + display +
           "» (переменная DISPLAY): окну программы нужен рабочий стол. Запустите программу из "
           "сеанса рабочего стола или задайте верный DISPLAY.";
}

}  // namespace tornel::app
