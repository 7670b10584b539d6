#include "app/file_error_text.h"

#include <QFile>

#include "files/file_error_text.h"

namespace tornel::app {

namespace {

QString PathText(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

}  // namespace

QString FileErrorReason(const FileError& error) {
    return QString::fromStdString(FileErrorText(error.code()));
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
