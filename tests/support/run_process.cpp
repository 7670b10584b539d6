#include "tests/support/run_process.h"

#include <fcntl.h>
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

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workingDir) {
    const std::string outPath = TempPath(".out");
    const std::string errPath = TempPath(".err");
    const pid_t pid = fork();
    if (pid == 0) {
        if (!workingDir.empty() && chdir(workingDir.c_str()) != 0) {
            _exit(127);
        }
        const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
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
    int wstatus = 0;
    waitpid(pid, &wstatus, 0);
    ProcessResult r;
    r.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
    r.out = ReadFile(outPath);
    r.err = ReadFile(errPath);
    std::remove(outPath.c_str());
    std::remove(errPath.c_str());
    return r;
}

std::string CliPath() {
    return std::string(TORNEL_BINARY_DIR) + "/tornel4-cli";
}

}  // namespace tornel::test
