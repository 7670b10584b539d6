// "_qq.wav" and "9_fmsig.h" on disk: layout, sizes, rounding of the export, silence after the
// signal, replacement of old files, and failures that must keep the previous good files.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>
#include "tests/support/temp_dir.h"
#include "tests/support/test_packets.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "sets/parameter_set_file.h"
#include "signal/wav_writer.h"

namespace tornel {
namespace {

namespace fs = std::filesystem;
using test::Filled;
using test::ReadFile;
using test::TempDir;

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::set<std::string> Entries(const fs::path& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        names.insert(e.path().filename().string());
    }
    return names;
}

const std::set<std::string> kBothFiles{kWavFileName, kCArrayFileName};

std::vector<std::int16_t> WavSamples(const std::string& file) {
    std::vector<std::int16_t> samples;
    for (std::size_t i = kWavHeaderBytes; i + 1 < file.size(); i += 2) {
        const auto lo = static_cast<std::uint8_t>(file[i]);
        const auto hi = static_cast<std::uint8_t>(file[i + 1]);
        samples.push_back(static_cast<std::int16_t>(lo | (hi << 8)));
    }
    return samples;
}

std::string WavMessage(const fs::path& dir, const std::string& reason) {
    return "Cannot create file \"" + (dir / kWavFileName).string() + "\". " + reason;
}

// What a write attempt threw: its text, or "" when it succeeded.
std::string ErrorOf(const std::function<void()>& write) {
    try {
        write();
    } catch (const FileError& e) {
        return e.what();
    }
    return "";
}

// Runs `body` in a child process, as the unprivileged user "nobody" when we are root (root
// passes every permission check); returns the child's exit status.
int RunInChild(bool dropPrivileges, const std::function<bool()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        if (dropPrivileges && geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
            _exit(3);
        }
        _exit(body() ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(WavLayout, HeaderBytes) {
    const std::array<std::uint8_t, 44> expected{
        0x52, 0x49, 0x46, 0x46, 0x84, 0x67, 0x02, 0x00, 0x57, 0x41, 0x56, 0x45, 0x66, 0x6D, 0x74,
        0x20, 0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x80, 0x3E, 0x00, 0x00, 0x00, 0x7D,
        0x00, 0x00, 0x02, 0x00, 0x10, 0x00, 0x64, 0x61, 0x74, 0x61, 0x60, 0x67, 0x02, 0x00};
    EXPECT_EQ(WavHeader(), expected);
}

TEST(CArrayLayout, LinesFieldsAndRoundingTowardZero) {
    std::vector<std::int16_t> buffer(kSampleBufferSize, 0);
    const std::vector<std::int16_t> head{-255, -256, 30000, -30000, 255, 256, -1, 511, -512};
    std::copy(head.begin(), head.end(), buffer.begin() + kCArrayFirstSample);
    buffer[kCArrayFirstSample - 1] = 30000;  // just outside the exported range
    buffer[kCArrayFirstSample + kCArraySamples - 1] = -30000;
    buffer[kCArrayFirstSample + kCArraySamples] = 30000;  // just outside, too

    const std::string text = CArrayText(buffer);
    EXPECT_EQ(text.size(), kCArrayFileBytes);
    std::vector<std::string> lines;
    for (std::size_t from = 0;;) {
        const std::size_t end = text.find("\r\n", from);
        lines.push_back(text.substr(from, end == std::string::npos ? end : end - from));
        if (end == std::string::npos) {
            break;
        }
        from = end + 2;
    }
    ASSERT_EQ(lines.size(), 514u);
    EXPECT_EQ(lines[0], "const signed char FM[8*64*16] = {");
    EXPECT_EQ(lines[1],
              "   0,  -1, 117,-117,   0,   1,   0,   1,  -2,   0,   0,   0,   0,   0,   0,   0,");
    for (std::size_t i = 1; i < 512; ++i) {
        ASSERT_EQ(lines[i].size(), 80u) << i;
    }
    EXPECT_EQ(lines[512],
              "   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,-117");
    EXPECT_EQ(lines[513], "};");
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);  // no bare line feeds
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 513);
}

TEST(WriteWavFile, WritesBothFilesFromTheBuffer) {
    TempDir dir;
    Synthesizer synth;
    WriteWavFile(synth, Filled(0x5A), true, dir.path());
    EXPECT_EQ(Entries(dir.path()), kBothFiles);  // and no temporary file left

    const std::string wav = ReadFile(dir.path() / kWavFileName);
    ASSERT_EQ(wav.size(), kWavFileBytes);
    const auto header = WavHeader();
    EXPECT_TRUE(std::equal(header.begin(), header.end(), wav.begin(), [](std::uint8_t a, char b) {
        return a == static_cast<std::uint8_t>(b);
    }));
    const auto samples = WavSamples(wav);
    ASSERT_EQ(samples.size(), kWavDataSamples);
    EXPECT_TRUE(
        std::ranges::equal(synth.samples(), std::span(samples).first(synth.samples().size())));
    EXPECT_TRUE(std::all_of(samples.begin() + synth.sampleCount(), samples.end(),
                            [](std::int16_t s) { return s == 0; }));

    const std::string export_ = ReadFile(dir.path() / kCArrayFileName);
    EXPECT_EQ(export_, CArrayText(synth.buffer()));
    EXPECT_EQ(export_.size(), kCArrayFileBytes);
}

TEST(WriteWavFile, ShortSignalAfterLongOneIsFollowedBySilence) {
    TempDir dir;
    Synthesizer synth;
    WriteWavFile(synth, Filled(0x00), true, dir.path());  // 62 496 samples
    WriteWavFile(synth, Filled(0xFF), true, dir.path());  // 60 704 samples
    const auto samples = WavSamples(ReadFile(dir.path() / kWavFileName));
    ASSERT_EQ(samples.size(), kWavDataSamples);
    EXPECT_TRUE(
        std::all_of(samples.begin() + 60704, samples.end(), [](std::int16_t s) { return s == 0; }));
    EXPECT_EQ(samples[60704 - kClosingSamples], 7175);  // the new closing tone is there
}

TEST(WriteWavFile, ReplacesOldFilesInsteadOfAppending) {
    TempDir dir;
    WriteText(dir.path() / kWavFileName, std::string(300000, 'x'));
    WriteText(dir.path() / kCArrayFileName, std::string(90000, 'y'));
    Synthesizer synth;
    WriteWavFile(synth, Filled(0x11), false, dir.path());
    EXPECT_EQ(fs::file_size(dir.path() / kWavFileName), kWavFileBytes);
    EXPECT_EQ(ReadFile(dir.path() / kCArrayFileName), CArrayText(synth.buffer()));
    EXPECT_EQ(Entries(dir.path()), kBothFiles);
}

TEST(WriteWavFile, MissingFolderIsReportedAndNothingIsSynthesised) {
    TempDir dir;
    const fs::path missing = dir.path() / "missing";
    Synthesizer synth;
    EXPECT_EQ(ErrorOf([&] { WriteWavFile(synth, Filled(0x11), true, missing); }),
              WavMessage(missing, "No such file or directory"));
    EXPECT_EQ(synth.sampleCount(), 0);
    EXPECT_EQ(synth.phase(), 0.0);
}

TEST(WriteWavFile, FolderNamedLikeTheWavFileIsReportedBeforeSynthesis) {
    TempDir dir;
    fs::create_directory(dir.path() / kWavFileName);
    WriteText(dir.path() / kCArrayFileName, "old");
    Synthesizer synth;
    EXPECT_EQ(ErrorOf([&] { WriteWavFile(synth, Filled(0x11), true, dir.path()); }),
              WavMessage(dir.path(), "Is a directory"));
    EXPECT_EQ(synth.phase(), 0.0);
    EXPECT_TRUE(fs::is_directory(dir.path() / kWavFileName));
    EXPECT_EQ(ReadFile(dir.path() / kCArrayFileName), "old");
    EXPECT_EQ(Entries(dir.path()), kBothFiles);
}

TEST(WriteWavFile, FolderNamedLikeTheExportIsAccessDenied) {
    TempDir dir;
    fs::create_directory(dir.path() / kCArrayFileName);
    Synthesizer synth;
    EXPECT_EQ(ErrorOf([&] { WriteWavFile(synth, Filled(0x11), true, dir.path()); }),
              "File access denied");
    // As before: the WAV file is complete; the command ends before playback.
    EXPECT_EQ(fs::file_size(dir.path() / kWavFileName), kWavFileBytes);
    EXPECT_TRUE(fs::is_directory(dir.path() / kCArrayFileName));
    EXPECT_EQ(Entries(dir.path()), kBothFiles);
}

TEST(WriteWavFile, ReadOnlyFolderKeepsThePreviousFiles) {
    TempDir dir;
    Synthesizer first;
    WriteWavFile(first, Filled(0x11), true, dir.path());
    const std::string wav = ReadFile(dir.path() / kWavFileName);
    const std::string export_ = ReadFile(dir.path() / kCArrayFileName);
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    const int status = RunInChild(true, [&] {
        Synthesizer synth;
        const std::string error =
            ErrorOf([&] { WriteWavFile(synth, Filled(0x22), true, dir.path()); });
        return error == WavMessage(dir.path(), "Permission denied") && synth.phase() == 0.0;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(dir.path() / kWavFileName), wav);
    EXPECT_EQ(ReadFile(dir.path() / kCArrayFileName), export_);
    EXPECT_EQ(Entries(dir.path()), kBothFiles);
}

TEST(WriteWavFile, WriteProtectedExportIsAccessDenied) {
    TempDir dir;
    fs::permissions(dir.path(), fs::perms::all);
    WriteText(dir.path() / kCArrayFileName, "old");
    fs::permissions(dir.path() / kCArrayFileName,
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const int status = RunInChild(true, [&] {
        Synthesizer synth;
        return ErrorOf([&] { WriteWavFile(synth, Filled(0x22), true, dir.path()); }) ==
               "File access denied";
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(dir.path() / kCArrayFileName), "old");
    EXPECT_EQ(fs::file_size(dir.path() / kWavFileName), kWavFileBytes);
    EXPECT_EQ(Entries(dir.path()), kBothFiles);
}

TEST(WriteWavFile, FailedWriteRemovesTheTemporaryFile) {
    TempDir dir;
    Synthesizer first;
    WriteWavFile(first, Filled(0x11), true, dir.path());
    const std::string wav = ReadFile(dir.path() / kWavFileName);
    // A file size limit below the WAV file's size makes its write fail part way.
    const int status = RunInChild(false, [&] {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100000, 100000};
        setrlimit(RLIMIT_FSIZE, &limit);
        Synthesizer synth;
        return ErrorOf([&] { WriteWavFile(synth, Filled(0x22), true, dir.path()); }) ==
               WavMessage(dir.path(), "File too large");
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(dir.path() / kWavFileName), wav);
    EXPECT_EQ(Entries(dir.path()), kBothFiles);
}

// A new version keeps the permissions of the file it replaces. Temporary files that a writer which
// died in mid-write left behind are removed at the next write; those of a running writer stay.
TEST(WriteWavFile, KeepsPermissionsAndRemovesTemporariesOfDeadWriters) {
    TempDir dir;
    Synthesizer synth;
    WriteWavFile(synth, Filled(0x11), true, dir.path());
    const struct {
        const char* name;
        fs::perms mode;
    } files[] = {{kWavFileName, fs::perms(0640)}, {kCArrayFileName, fs::perms(0604)}};
    const pid_t dead = fork();
    if (dead == 0) {
        _exit(0);
    }
    waitpid(dead, nullptr, 0);  // reaped: its id names no running process
    std::set<std::string> expected = kBothFiles;
    for (const auto& f : files) {
        fs::permissions(dir.path() / f.name, f.mode);
        WriteText(dir.path() / (f.name + (".tmp-" + std::to_string(dead) + "-0")), "partial");
        const std::string running = f.name + (".tmp-" + std::to_string(getppid()) + "-0");
        WriteText(dir.path() / running, "being written");
        expected.insert(running);
    }
    WriteWavFile(synth, Filled(0x22), true, dir.path());
    for (const auto& f : files) {
        EXPECT_EQ(fs::status(dir.path() / f.name).permissions(), f.mode) << f.name;
    }
    EXPECT_EQ(Entries(dir.path()), expected);
}

// A small RAM file system of our own: a real full disk.
class FullDisk : public testing::Test {
  protected:
    void SetUp() override {
        if (mount("tornel-test", dir_.path().c_str(), "tmpfs", 0, "size=1m") != 0) {
            GTEST_SKIP() << "cannot mount a small file system here";
        }
        mounted_ = true;
    }
    void TearDown() override {
        if (mounted_) {
            umount2(dir_.path().c_str(), MNT_DETACH);
        }
    }
    const fs::path& path() const { return dir_.path(); }

    // Fills the file system until `leave` bytes are free.
    void FillLeaving(std::uintmax_t leave) {
        struct statvfs st {};
        statvfs(path().c_str(), &st);
        const std::uintmax_t free = st.f_bavail * st.f_frsize;
        ASSERT_GT(free, leave);
        fs::resize_file(Filler(), 0);
        std::ofstream(Filler(), std::ios::binary) << std::string(free - leave, 'f');
    }
    fs::path Filler() const { return path() / "filler"; }

  private:
    TempDir dir_;
    bool mounted_ = false;
};

TEST_F(FullDisk, WavFileKeepsThePreviousFiles) {
    Synthesizer synth;
    WriteWavFile(synth, Filled(0x11), true, path());
    const std::string wav = ReadFile(path() / kWavFileName);
    const std::string export_ = ReadFile(path() / kCArrayFileName);
    WriteText(Filler(), "");
    FillLeaving(100000);
    EXPECT_EQ(ErrorOf([&] { WriteWavFile(synth, Filled(0x22), true, path()); }),
              WavMessage(path(), "No space left on device"));
    EXPECT_EQ(ReadFile(path() / kWavFileName), wav);
    EXPECT_EQ(ReadFile(path() / kCArrayFileName), export_);
    EXPECT_EQ(Entries(path()), (std::set<std::string>{kWavFileName, kCArrayFileName, "filler"}));
}

TEST_F(FullDisk, ExportIsDiskFullAndKeepsThePreviousExport) {
    WriteText(path() / kCArrayFileName, "old");
    WriteText(Filler(), "");
    FillLeaving(kWavFileBytes + 20000);  // room for the WAV file, not for the export
    Synthesizer synth;
    EXPECT_EQ(ErrorOf([&] { WriteWavFile(synth, Filled(0x22), true, path()); }), "Disk full");
    EXPECT_EQ(fs::file_size(path() / kWavFileName), kWavFileBytes);
    EXPECT_EQ(ReadFile(path() / kCArrayFileName), "old");
    EXPECT_EQ(Entries(path()), (std::set<std::string>{kWavFileName, kCArrayFileName, "filler"}));
}

// A parameter set goes through the same writer: a failed save keeps the earlier set and says why.
TEST(SaveParameterSetFile, ReadOnlyFolderKeepsTheEarlierSet) {
    TempDir dir;
    const std::string path = (dir.path() / "set.json").string();
    SaveParameterSetFile(path, {"первый", PacketInputs{}});
    const std::string earlier = ReadFile(path);
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    const int status = RunInChild(true, [&] {
        try {
            SaveParameterSetFile(path, {"второй", PacketInputs{}});
        } catch (const ParameterSetError& e) {
            return std::string(e.what()) == "файл \"" + path + "\" не сохранён: нет доступа";
        }
        return false;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(path), earlier);
    EXPECT_EQ(Entries(dir.path()), std::set<std::string>{"set.json"});
}

TEST_F(FullDisk, ParameterSetKeepsTheEarlierSet) {
    const std::string path = (this->path() / "set.json").string();
    SaveParameterSetFile(path, {"", PacketInputs{}});
    const std::string earlier = ReadFile(path);
    WriteText(Filler(), "");
    FillLeaving(0);
    try {
        SaveParameterSetFile(path, {std::string(100000, 'x'), PacketInputs{}});
        FAIL() << "saved on a full disk";
    } catch (const ParameterSetError& e) {
        EXPECT_NE(std::string(e.what()).find("диск заполнен"), std::string::npos) << e.what();
    }
    EXPECT_EQ(ReadFile(path), earlier);
    EXPECT_EQ(Entries(this->path()), (std::set<std::string>{"set.json", "filler"}));
}

}  // namespace
}  // namespace tornel
