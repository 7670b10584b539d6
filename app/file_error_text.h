#pragma once
// The operator's words for a file of the send that could not be written ("_qq.wav",
// "9_fmsig.h"): which file, and why, in Russian.

#include <QString>

#include "signal/wav_writer.h"

namespace tornel::app {

// Why the file was not written: "нет доступа", "диск заполнен", ... (FileErrorText)
QString FileErrorReason(const FileError& error);

// For the status line: " Файл _qq.wav не записан: <reason>".
QString FileNotWrittenStatus(const FileError& error);

// For the error box: the full path, the reason and that nothing was sent.
QString FileNotWrittenMessage(const FileError& error);

}  // namespace tornel::app
