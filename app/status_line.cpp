#include "app/status_line.h"

#include <QFontMetrics>
#include <QLabel>

namespace tornel::app {

int StatusLineRoom(const QLabel& line) {
    // A framed label indents its text by half an "x" on the aligned side; keep that on both.
    const QFontMetrics metrics(line.font());
    return line.contentsRect().width() - metrics.horizontalAdvance(u'x');
}

QString FitStatusLine(const QString& text, const QLabel& line) {
    return QFontMetrics(line.font()).elidedText(text, Qt::ElideRight, StatusLineRoom(line));
}

QString OutOfRangeStatus(int fieldIndex, std::int32_t value, const ParameterTable& table) {
    const ParameterField& f = table.at(static_cast<std::size_t>(fieldIndex));
    return QStringLiteral(" значение %1 вне диапазона %2..%3").arg(value).arg(f.min).arg(f.max);
}

QString WithoutFilePrefix(const QString& message, const QString& path) {
    const QString prefix = QStringLiteral("файл \"%1\": ").arg(path);
    return message.startsWith(prefix) ? message.mid(prefix.size()) : message;
}

}  // namespace tornel::app
