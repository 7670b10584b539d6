// The programs as installed: `cmake --install` into a temporary prefix, then run from another
// folder, far from the build folder, so that everything they need must come from the prefix.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>

#include "signal/wav_reader.h"
#include "tests/platform/test_wav.h"
#include "tests/support/pulse_server.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_dir.h"

namespace tornel {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

// Environment changes for a child: a value sets the variable, nullopt removes it.
using EnvChanges = std::map<std::string, std::optional<std::string>>;

// A program started in the background whose standard error the test reads as it comes.
class RunningProgram {
  public:
    RunningProgram(const fs::path& program, const std::vector<std::string>& args,
                   const fs::path& workingDir, const EnvChanges& env) {
        int pipeFds[2];
        if (pipe(pipeFds) != 0) {
            throw std::runtime_error("pipe failed");
        }
        pid_ = fork();
        if (pid_ == 0) {
            close(pipeFds[0]);
            dup2(pipeFds[1], 2);
            if (chdir(workingDir.c_str()) != 0) {
                _exit(127);
            }
            for (const auto& [name, value] : env) {
                value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
            }
            std::vector<char*> argv{const_cast<char*>(program.c_str())};
            for (const auto& a : args) {
                argv.push_back(const_cast<char*>(a.c_str()));
            }
            argv.push_back(nullptr);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        close(pipeFds[1]);
        err_ = pipeFds[0];
    }
    ~RunningProgram() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
        close(err_);
    }
    RunningProgram(const RunningProgram&) = delete;
    RunningProgram& operator=(const RunningProgram&) = delete;

    // Reads standard error until it holds `text`, the program ends, or the time is up.
    bool WaitForError(const std::string& text, std::chrono::seconds timeout) {
        const auto end = std::chrono::steady_clock::now() + timeout;
        while (errText_.find(text) == std::string::npos) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            pollfd fd{err_, POLLIN, 0};
            if (left.count() <= 0 || poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
                return false;
            }
            char buffer[4096];
            const ssize_t n = read(err_, buffer, sizeof buffer);
            if (n <= 0) {
                return false;
            }
            errText_.append(buffer, static_cast<std::size_t>(n));
        }
        return true;
    }
    const std::string& errorText() const { return errText_; }

  private:
    pid_t pid_ = -1;
    int err_ = -1;
    std::string errText_;
};

class Installed : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto r = test::RunProcess(
            TORNEL_CMAKE_COMMAND, {"--install", TORNEL_BINARY_DIR, "--prefix", prefix_.path()});
        ASSERT_EQ(r.status, 0) << r.out << r.err;
    }
    fs::path Program(const char* name) const { return prefix_.path() / "bin" / name; }
    fs::path DataDir() const { return prefix_.path() / "share" / "tornel4"; }

    test::TempDir prefix_;
    test::TempDir elsewhere_;  // the working directory, holding nothing of the program's
};

TEST_F(Installed, WindowStartedElsewhereFindsEveryHelpPageInTheDataFolder) {
    RunningProgram window(
        Program("tornel4"), {}, elsewhere_.path(),
        {{"QT_QPA_PLATFORM", "offscreen"}, {"QT_LOGGING_RULES", "tornel4.help.debug=true"}});
    ASSERT_TRUE(window.WaitForError("help3.rtf", std::chrono::seconds(60))) << window.errorText();
    for (const char* page : {"help1.rtf", "help2.rtf", "help3.rtf"}) {
        EXPECT_THAT(window.errorText(),
                    HasSubstr(std::string(page) + " -> " + (DataDir() / page).string()));
    }
    EXPECT_THAT(window.errorText(), ::testing::Not(HasSubstr("не найден")));
}

// Once it has painted, the window draws its plots through the chart module of the installation.
TEST_F(Installed, WindowLoadsItsPlotsFromThePrivateLibraryFolder) {
    fs::path module;
    for (const auto& entry : fs::recursive_directory_iterator(prefix_.path() / "lib")) {
        if (entry.path().filename() == "tornel4-charts.so") {
            module = entry.path();
        }
    }
    ASSERT_FALSE(module.empty()) << "the chart module is not installed";
    RunningProgram window(Program("tornel4"), {}, elsewhere_.path(),
                          {{"QT_QPA_PLATFORM", "offscreen"}, {"LD_DEBUG", "libs"}});
    EXPECT_TRUE(window.WaitForError("calling init: " + module.string(), std::chrono::seconds(60)))
        << window.errorText();
}

TEST_F(Installed, WindowPrefersAHelpPageInTheWorkingDirectory) {
    const fs::path own = elsewhere_.path() / "help2.rtf";
    fs::copy_file(DataDir() / "help2.rtf", own);
    fs::remove(DataDir() / "help3.rtf");
    RunningProgram window(
        Program("tornel4"), {}, elsewhere_.path(),
        {{"QT_QPA_PLATFORM", "offscreen"}, {"QT_LOGGING_RULES", "tornel4.help.debug=true"}});
    ASSERT_TRUE(window.WaitForError("help3.rtf", std::chrono::seconds(60))) << window.errorText();
    EXPECT_THAT(window.errorText(), HasSubstr("help2.rtf -> " + own.string()));
    EXPECT_THAT(window.errorText(), HasSubstr("файл справки help3.rtf не найден"));
}

TEST_F(Installed, WindowWithoutADisplaySaysWhatItNeeds) {
    RunningProgram window(Program("tornel4"), {}, elsewhere_.path(),
                          {{"QT_QPA_PLATFORM", std::nullopt},
                           {"DISPLAY", std::nullopt},
                           {"WAYLAND_DISPLAY", std::nullopt}});
    ASSERT_TRUE(window.WaitForError("WAYLAND_DISPLAY", std::chrono::seconds(30)))
        << window.errorText();
    EXPECT_THAT(window.errorText(), HasSubstr("нужен графический рабочий стол"));
}

TEST_F(Installed, BothProgramsPrintTheirVersion) {
    for (const char* name : {"tornel4", "tornel4-cli"}) {
        const auto r = test::RunProcess(Program(name), {"--version"}, elsewhere_.path());
        EXPECT_EQ(r.status, 0) << name << r.err;
        EXPECT_EQ(r.out, std::string(name) + " " + TORNEL_VERSION + "\n");
    }
}

// The sound server's client, hamlib and the plotting library come from the private modules when
// first needed; neither program loads them (or the dozen libraries they pull in) to start.
TEST_F(Installed, NeitherProgramLoadsTheModulesLibrariesToStart) {
    const char* const moduleLibraries[] = {"libpulse",      "libhamlib",     "libQCustomPlot",
                                           "PrintSupport",  "tornel4-sound", "tornel4-hamlib",
                                           "tornel4-charts"};
    setenv("LD_DEBUG", "libs", 1);  // read by the children's loader; this process started long ago
    for (const char* name : {"tornel4", "tornel4-cli"}) {
        const auto r = test::RunProcess(Program(name), {"--version"}, elsewhere_.path());
        EXPECT_EQ(r.status, 0) << name;
        EXPECT_THAT(r.err, HasSubstr("calling init")) << name << ": the loader wrote nothing";
        for (const char* library : moduleLibraries) {
            EXPECT_THAT(r.err, ::testing::Not(HasSubstr(library))) << name << " loads " << library;
        }
    }
    unsetenv("LD_DEBUG");
}

TEST_F(Installed, CliSendPlaysThroughTheModuleInThePrivateLibraryFolder) {
    if (!test::PulseServer::Available()) {
        GTEST_SKIP() << "pulseaudio is not installed";
    }
    ASSERT_FALSE(fs::exists(Program("tornel4-sound.so")));
    test::PulseServer server;
    const std::size_t mark = server.RecordedFrames();
    const auto r =
        test::RunProcess(Program("tornel4-cli"), {"send", "--p1", "9"}, elsewhere_.path());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_THAT(r.err, IsEmpty());

    const auto wav = ReadWavFile((elsewhere_.path() / "_qq.wav").string());
    ASSERT_TRUE(server.WaitForFrames(server.RecordedFrames() + 8000, std::chrono::seconds(5)));
    EXPECT_GE(test::FindExactly(server.Recording(mark), wav.samples), 0)
        << "the recording does not hold exactly the data chunk of _qq.wav";
}

}  // namespace
}  // namespace tornel
