#include "app/file_error_text.h"

#include <QFile>
#include <cerrno>

namespace tornel::app {

namespace {

QString PathText(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

}  // namespace

QString FileErrorReason(const FileError& error) {
    switch (error.code().value()) {
        case EACCES:
        case EPERM:
            return QStringLiteral("нет прав на запись");
        case EROFS:
            return QStringLiteral("диск защищён от записи");
        case EISDIR:
            return QStringLiteral("на месте файла стоит папка");
        case ETXTBSY:
            return QStringLiteral("файл занят другой программой");
        case ENOSPC:
        case EDQUOT:
            return QStringLiteral("на диске нет места");
        case EFBIG:
            return QStringLiteral("файл больше, чем позволяет диск");
        case ENOENT:
        case ENOTDIR:
            return QStringLiteral("папка не найдена");
        case EMFILE:
        case ENFILE:
            return QStringLiteral("открыто слишком много файлов");
        case ENAMETOOLONG:
            return QStringLiteral("слишком длинный путь");
        default:
            return QStringLiteral("ошибка ввода-вывода (код %1)").arg(error.code().value());
    }
}

QString FileNotWrittenStatus(const FileError& error) {
    return QStringLiteral(" Файл %1 не записан: %2")
        .arg(PathText(error.path().filename()), FileErrorReason(error));
}

QString FileNotWrittenMessage(const FileError& error) {
    return QStringLiteral("Файл «%1» не записан: %2.\nСигнал не выдан.")
        .arg(PathText(error.path()), FileErrorReason(error));
}

}  // namespace tornel::app
