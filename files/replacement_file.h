#pragma once
// The safe way every file of the program is written ("_qq.wav", "9_fmsig.h", parameter sets): a
// new version is written beside the file under a temporary name and renamed over it only when
// every write and the close succeeded, so a failure leaves the previous file as it was. The
// operating system's calls are all in replacement_file.cpp: another system replaces that file.

#include <filesystem>
#include <string>
#include <string_view>

namespace tornel {

// A new version of a file, written beside it under a temporary name and renamed over it by
// Commit(). Until then the old file is untouched; a version never committed is removed, and so
// are the temporary files of writers that died. The new version keeps the old one's permissions.
class ReplacementFile {
  public:
    // Throws std::system_error when the target cannot be replaced or the temporary file cannot
    // be created. A directory in the way and a write-protected file both count as such.
    explicit ReplacementFile(std::filesystem::path target);
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;
    ~ReplacementFile();

    // Throws std::system_error.
    void Write(std::string_view bytes);
    // Closes the new version and renames it over the target. Throws std::system_error.
    void Commit();

  private:
    std::filesystem::path target_;
    std::string temp_;
    int fd_ = -1;
    bool committed_ = false;
};

// Replaces the file at `target` by `bytes` through a ReplacementFile. Throws std::system_error.
void ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes);

}  // namespace tornel
