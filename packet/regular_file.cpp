#include "packet/regular_file.h"

#include <filesystem>
#include <system_error>

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

}  // namespace tornel
