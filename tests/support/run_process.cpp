#include "tests/support/run_process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

#include "tests/support/temp_dir.h"

namespace tornel::test {

namespace {

std::string TempPath(const char* tag) {
    std::string name = std::string("/tmp/tornel-proc-XXXXXX") + tag;
    const int fd = mkstemps(name.data(), static_cast<int>(std::string(tag).size()));
    if (fd < 0) {
        throw std::runtime_error("mkstemps failed");
    }
    close(fd);
    return name;
}

}  // namespace

StartedProcess::StartedProcess(const std::string& program, const std::vector<std::string>& args,
                               const std::string& workingDir)
    : outPath_(TempPath(".out")), errPath_(TempPath(".err")) {
    pid_ = fork();
    if (pid_ == 0) {
        if (!workingDir.empty() && chdir(workingDir.c_str()) != 0) {
            _exit(127);
        }
        const int out = open(outPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int in = open("/dev/null", O_RDONLY);
        dup2(out, 1);
        dup2(err, 2);
        dup2(in, 0);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(program.c_str()));
        for (const auto& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
}

StartedProcess::~StartedProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
    std::remove(outPath_.c_str());
    std::remove(errPath_.c_str());
}

void StartedProcess::Signal(int signal) const {
    kill(pid_, signal);
}

ProcessResult StartedProcess::Wait() {
    int wstatus = 0;
    waitpid(pid_, &wstatus, 0);
    pid_ = -1;
    ProcessResult r;
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    r.out = ReadFile(outPath_);
    r.err = ReadFile(errPath_);
    return r;
}

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workingDir) {
    return StartedProcess(program, args, workingDir).Wait();
}

std::string CliPath() {
    return std::string(TORNEL_BINARY_DIR) + "/tornel4-cli";
}

}  // namespace tornel::test
