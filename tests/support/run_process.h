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

// build/tornel4-cli
std::string CliPath();

}  // namespace tornel::test
