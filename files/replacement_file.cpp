#include "files/replacement_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <optional>
#include <system_error>
#include <utility>

namespace tornel {

namespace {

[[noreturn]] void ThrowErrno(int error) {
    throw std::system_error(error, std::generic_category());
}

// rename() would replace a write-protected file and fail only late on a directory. Returns the
// permission bits of the file to replace, none when there is no file yet.
std::optional<mode_t> RefuseUnreplaceableTarget(const std::filesystem::path& target) {
    struct stat st {};
    if (stat(target.c_str(), &st) != 0) {
        return std::nullopt;  // nothing there yet (or a missing folder, reported by the create)
    }
    if (S_ISDIR(st.st_mode)) {
        ThrowErrno(EISDIR);
    }
    if (faccessat(AT_FDCWD, target.c_str(), W_OK, AT_EACCESS) != 0) {
        ThrowErrno(errno);
    }
    return st.st_mode & 07777;
}

// Temporary files are named "<target>.tmp-<process id>-<attempt>". A program that died in
// mid-write left its temporary file behind: remove those of processes that no longer run. Those
// of a running program (another window writing in the same folder) are its own. Best effort:
// what cannot be removed stays.
void RemoveStaleTemporaries(const std::filesystem::path& target) {
    const std::string prefix = target.filename().string() + ".tmp-";
    std::error_code error;
    for (const std::filesystem::directory_entry& entry :
         std::filesystem::directory_iterator(target.parent_path(), error)) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(prefix)) {
            continue;
        }
        char* end = nullptr;
        const long pid = std::strtol(name.c_str() + prefix.size(), &end, 10);
        if (pid <= 0 || *end != '-' || pid == getpid()) {
            continue;
        }
        if (kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
            unlink(entry.path().c_str());
        }
    }
}

}  // namespace

ReplacementFile::ReplacementFile(std::filesystem::path target) : target_(std::move(target)) {
    const std::optional<mode_t> keptMode = RefuseUnreplaceableTarget(target_);
    RemoveStaleTemporaries(target_);
    const std::string base = target_.string() + ".tmp-" + std::to_string(getpid()) + "-";
    for (int attempt = 0; fd_ < 0; ++attempt) {
        temp_ = base + std::to_string(attempt);
        fd_ = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ < 0 && (errno != EEXIST || attempt >= 100)) {
            ThrowErrno(errno);
        }
    }
    // The new version keeps the permissions of the file it replaces; a first version gets the
    // usual ones (0666 less the umask).
    if (keptMode && fchmod(fd_, *keptMode) != 0) {
        ThrowErrno(errno);
    }
}

ReplacementFile::~ReplacementFile() {
    if (fd_ >= 0) {
        close(fd_);
    }
    if (!committed_) {
        unlink(temp_.c_str());
    }
}

void ReplacementFile::Write(std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(fd_, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ThrowErrno(n < 0 ? errno : EIO);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void ReplacementFile::Commit() {
    const int fd = std::exchange(fd_, -1);
    if (close(fd) != 0) {
        ThrowErrno(errno);
    }
    if (rename(temp_.c_str(), target_.c_str()) != 0) {
        ThrowErrno(errno);
    }
    committed_ = true;
}

void ReplaceFileContents(const std::filesystem::path& target, std::string_view bytes) {
    ReplacementFile file(target);
    file.Write(bytes);
    file.Commit();
}

}  // namespace tornel
