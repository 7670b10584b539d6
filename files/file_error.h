#pragma once
// A file that could not be created, written or read: the message, which file, and why.

#include <filesystem>
#include <stdexcept>
#include <string>
#include <system_error>
#include <utility>

namespace tornel {

// what() is the text for the command line; path() and code() say which file and why, for a
// message in the operator's words (FileErrorText).
class FileError : public std::runtime_error {
  public:
    FileError(const std::string& what, std::filesystem::path path, std::error_code code)
        : std::runtime_error(what), path_(std::move(path)), code_(code) {}

    const std::filesystem::path& path() const { return path_; }
    std::error_code code() const { return code_; }

  private:
    std::filesystem::path path_;
    std::error_code code_;
};

}  // namespace tornel
