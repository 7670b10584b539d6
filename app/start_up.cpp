#include "app/start_up.h"

#include <QCoreApplication>
#include <QDir>
#include <QScreen>
#include <QStandardPaths>
#include <QWidget>
#include <algorithm>
#include <cstdlib>

#include "install_layout.h"

namespace tornel::app {

namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
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

}  // namespace tornel::app
