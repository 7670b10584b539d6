#pragma once
// Runs a program with arguments and captures its exit status, stdout and stderr.

#include <string>
#include <vector>

namespace tornel::test {

struct ProcessResult {
    int status = -1;  // exit status, or -1 when the program did not exit normally
    std::string out;
    std::string err;
};

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workingDir = "");

// A program started in the background, for a test that acts while it runs (sends it a signal).
// The destructor kills and reaps it if Wait() was not called.
class StartedProcess {
  public:
    StartedProcess(const std::string& program, const std::vector<std::string>& args,
                   const std::string& workingDir = "");
    ~StartedProcess();
    StartedProcess(const StartedProcess&) = delete;
    StartedProcess& operator=(const StartedProcess&) = delete;

    void Signal(int signal) const;
    // Waits for its end: the exit status and what it wrote.
    ProcessResult Wait();

  private:
    int pid_ = -1;
    std::string outPath_;
    std::string errPath_;
};

// build/tornel4-cli
std::string CliPath();

}  // namespace tornel::test
