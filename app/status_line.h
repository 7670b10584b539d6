#pragma once
// The texts of the status line StaticText_Error, which shows one line of its font. Each message
// puts its key part first (what happened, then where), so that the line says it without the
// tooltip; a message still too long for the line (a long device or file name) is cut at its end
// with "…", and the tooltip keeps the whole.

#include <QString>
#include <cstdint>

#include "packet/parameter_table.h"

class QLabel;

namespace tornel::app {

// The width in pixels that a line of text has inside the status line.
int StatusLineRoom(const QLabel& line);

// `text` as the status line shows it: whole when it fits on one line, else cut with "…".
QString FitStatusLine(const QString& text, const QLabel& line);

// A field's typed value outside its range: the value and the range (the field's number and name
// go into the tooltip).
QString OutOfRangeStatus(int fieldIndex, std::int32_t value,
                         const ParameterTable& table = kParameterTable);

// A parameter-set message of the form `файл "<path>": <reason>` without the path, which the
// status line has no room for: the reason alone (the message as it is when it has another form).
QString WithoutFilePrefix(const QString& message, const QString& path);

}  // namespace tornel::app
