#include "signal/wav_writer.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string_view>
#include <system_error>
#include <utility>

#include "packet/number_text.h"

namespace tornel {

namespace {

namespace fs = std::filesystem;

[[noreturn]] void ThrowErrno(int error) {
    throw std::system_error(error, std::generic_category());
}

// A new version of a file, written beside it under a temporary name and renamed over it by
// Commit(). Until then the old file is untouched; a version never committed is removed.
class ReplacementFile {
  public:
    // Throws std::system_error when the target cannot be replaced or the temporary file cannot
    // be created. A directory in the way and a write-protected file both count as such.
    explicit ReplacementFile(fs::path target) : target_(std::move(target)) {
        const std::optional<mode_t> keptMode = RefuseUnreplaceableTarget();
        RemoveStaleTemporaries();
        const std::string base = TemporaryPrefix() + std::to_string(getpid()) + "-";
        for (int attempt = 0; fd_ < 0; ++attempt) {
            temp_ = base + std::to_string(attempt);
            fd_ = open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && (errno != EEXIST || attempt >= 100)) {
                ThrowErrno(errno);
            }
        }
        // The new version keeps the permissions of the file it replaces; a first version gets
        // the usual ones (0666 less the umask).
        if (keptMode && fchmod(fd_, *keptMode) != 0) {
            ThrowErrno(errno);
        }
    }
    ReplacementFile(const ReplacementFile&) = delete;
    ReplacementFile& operator=(const ReplacementFile&) = delete;

    ~ReplacementFile() {
        if (fd_ >= 0) {
            close(fd_);
        }
        if (!committed_) {
            unlink(temp_.c_str());
        }
    }

    void Write(std::string_view bytes) {
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

    void Commit() {
        const int fd = std::exchange(fd_, -1);
        if (close(fd) != 0) {
            ThrowErrno(errno);
        }
        if (rename(temp_.c_str(), target_.c_str()) != 0) {
            ThrowErrno(errno);
        }
        committed_ = true;
    }

  private:
    // rename() would replace a write-protected file and fail only late on a directory. Returns
    // the permission bits of the file to replace, none when there is no file yet.
    std::optional<mode_t> RefuseUnreplaceableTarget() const {
        struct stat st {};
        if (stat(target_.c_str(), &st) != 0) {
            return std::nullopt;  // nothing there yet (or a missing folder, reported by the create)
        }
        if (S_ISDIR(st.st_mode)) {
            ThrowErrno(EISDIR);
        }
        if (faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
            ThrowErrno(errno);
        }
        return st.st_mode & 07777;
    }

    // Temporary files are named "<target>.tmp-<process id>-<attempt>".
    std::string TemporaryPrefix() const { return target_.string() + ".tmp-"; }

    // A program that died in mid-write left its temporary file behind: remove those of processes
    // that no longer run. Those of a running program (another window writing in the same folder)
    // are its own. Best effort: what cannot be removed stays.
    void RemoveStaleTemporaries() const {
        const std::string prefix = target_.filename().string() + ".tmp-";
        std::error_code error;
        for (const fs::directory_entry& entry :
             fs::directory_iterator(target_.parent_path(), error)) {
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

    fs::path target_;
    std::string temp_;
    int fd_ = -1;
    bool committed_ = false;
};

fs::path FullPath(const fs::path& dir, const char* name) {
    return fs::absolute(dir / name).lexically_normal();
}

FileError WavError(const fs::path& path, const std::system_error& e) {
    return {"Cannot create file \"" + path.string() + "\". " + e.code().message(), path, e.code()};
}

// The input/output error texts of the export.
std::string ExportErrorText(const std::system_error& e) {
    switch (e.code().value()) {
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
        case ETXTBSY:
            return "File access denied";
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return "Disk full";
        case ENOENT:
        case ENOTDIR:
            return "Path not found";
        case EMFILE:
        case ENFILE:
            return "Too many open files";
        case ENAMETOOLONG:
            return "Invalid filename";
        default:
            return "I/O error " + std::to_string(e.code().value());
    }
}

FileError ExportError(const fs::path& path, const std::system_error& e) {
    return {ExportErrorText(e), path, e.code()};
}

void PutLittleEndian(std::string& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

std::string WavImage(const Synthesizer& synth) {
    std::string image(kWavFileBytes, '\0');
    const auto header = WavHeader();
    std::copy(header.begin(), header.end(), image.begin());
    std::size_t at = kWavHeaderBytes;
    for (std::int16_t sample : synth.buffer().first(kWavDataSamples)) {
        const auto bits = static_cast<std::uint16_t>(sample);
        image[at++] = static_cast<char>(bits & 0xFF);  // little-endian
        image[at++] = static_cast<char>(bits >> 8);
    }
    return image;
}

}  // namespace

std::array<std::uint8_t, kWavHeaderBytes> WavHeader() {
    std::string h = "RIFF";
    PutLittleEndian(h, 36 + kWavDataBytes, 4);
    h += "WAVEfmt ";
    PutLittleEndian(h, 16, 4);               // format chunk size
    PutLittleEndian(h, 1, 2);                // PCM
    PutLittleEndian(h, 1, 2);                // mono
    PutLittleEndian(h, kSampleRate, 4);      // samples per second
    PutLittleEndian(h, 2 * kSampleRate, 4);  // bytes per second
    PutLittleEndian(h, 2, 2);                // block alignment
    PutLittleEndian(h, 16, 2);               // bits per sample
    h += "data";
    PutLittleEndian(h, kWavDataBytes, 4);
    std::array<std::uint8_t, kWavHeaderBytes> header{};
    for (std::size_t i = 0; i < header.size(); ++i) {
        header[i] = static_cast<std::uint8_t>(h[i]);
    }
    return header;
}

void WriteWavFile(Synthesizer& synth, const Packet& packet, bool filterOn,
                  const std::filesystem::path& dir) {
    const fs::path path = FullPath(dir, kWavFileName);
    try {
        ReplacementFile wav(path);  // before the synthesis: a failure here changes nothing
        synth.BuildSignal(packet, filterOn);
        // A shorter signal after a longer one must not carry the old end into the data chunk.
        synth.ClearAfterSignal(kWavDataSamples);
        wav.Write(WavImage(synth));
        wav.Commit();
    } catch (const std::system_error& e) {
        throw WavError(path, e);
    }
    ExportCArray(synth, dir);
}

std::string CArrayText(std::span<const std::int16_t> buffer) {
    // Every exported value lies in -128 .. 127: format each once.
    std::array<std::string, 256> field;
    for (int v = -128; v < 128; ++v) {
        field[static_cast<std::size_t>(v + 128)] = IntToStrW(v, 4);
    }
    const auto values = buffer.subspan(kCArrayFirstSample, kCArraySamples);
    std::string text;
    text.reserve(kCArrayFileBytes);
    text += "const signed char FM[8*64*16] = {\r\n";
    for (std::size_t i = 0; i < values.size(); ++i) {
        text += field[static_cast<std::size_t>(values[i] / 256 + 128)];  // truncates toward zero
        if (i + 1 < values.size()) {
            text += ',';
        }
        if (i % 16 == 15) {
            text += "\r\n";
        }
    }
    text += "};";
    return text;
}

void ExportCArray(const Synthesizer& synth, const std::filesystem::path& dir) {
    const fs::path path = FullPath(dir, kCArrayFileName);
    try {
        ReplacementFile file(path);
        file.Write(CArrayText(synth.buffer()));
        file.Commit();
    } catch (const std::system_error& e) {
        throw ExportError(path, e);
    }
}

}  // namespace tornel
