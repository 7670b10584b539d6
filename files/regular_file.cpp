#include "files/regular_file.h"

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "files/file_error.h"
#include "files/file_error_text.h"

namespace tornel {

std::string NotRegularFileReason(const std::string& path) {
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(path, error);
    if (error || status.type() == std::filesystem::file_type::not_found ||
        status.type() == std::filesystem::file_type::regular) {
        return {};
    }
    if (status.type() == std::filesystem::file_type::directory) {
        return "это папка, а не файл";
    }
    return "это не обычный файл";
}

std::string ReadAtMost(const std::string& path, std::size_t limit) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        const std::error_code code(errno, std::generic_category());
        throw FileError("не удаётся открыть: " + FileErrorText(code, FileAccess::Read), path, code);
    }
    std::string text(limit + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    if (in.bad()) {
        throw FileError("ошибка чтения", path, std::make_error_code(std::errc::io_error));
    }
    text.resize(static_cast<std::size_t>(in.gcount()));
    return text;
}

}  // namespace tornel
