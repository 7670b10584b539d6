#pragma once
// The check every reader of a file the user names (a recording, a parameter set, a help page)
// makes before opening it. Opening a FIFO that has no writer blocks for ever, and a device such
// as /dev/zero never ends or reads as garbage: only regular files are opened.

#include <cstddef>
#include <string>

namespace tornel {

// Why the file at `path` (a symbolic link is followed) must not be opened for reading, in Russian
// for an error message: "это папка, а не файл" or "это не обычный файл" (a device, a pipe, a
// socket). Empty when it is a regular file, and also when nothing can be found at `path`: opening
// it then reports what is wrong (missing, no permission). Looks at the file without opening it,
// so it never blocks.
std::string NotRegularFileReason(const std::string& path);

// At most `limit` + 1 bytes of the regular file at `path`: one byte more than allowed shows a
// file that is too long without reading all of it. Throws FileError whose what() is the Russian
// reason ("не удаётся открыть: нет доступа", "ошибка чтения").
std::string ReadAtMost(const std::string& path, std::size_t limit);

}  // namespace tornel
