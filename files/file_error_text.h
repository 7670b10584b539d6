#pragma once
// Why a file could not be used, in the operator's words: one Russian text per system error.

#include <string>
#include <system_error>

namespace tornel {

// Whether the file was being written or read: a missing path means a missing folder when a file
// is created, a missing file when it is read.
enum class FileAccess { Write, Read };

// "нет доступа", "диск заполнен", "папка не найдена", ...; an error without a text of its own
// is "ошибка ввода-вывода (код N)".
std::string FileErrorText(std::error_code code, FileAccess access = FileAccess::Write);

}  // namespace tornel
