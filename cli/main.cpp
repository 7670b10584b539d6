// tornel4-cli: the programmer's core without a window, for scripts, batch work and tests.

#include <iostream>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "install_layout.h"

namespace {

int Dispatch(const tornel::cli::Options& options) {
    using tornel::cli::Command;
    switch (options.command) {
        case Command::Packet:
            return tornel::cli::RunPacket(options);
        case Command::Generate:
            return tornel::cli::RunGenerate(options);
        case Command::Send:
            return tornel::cli::RunSend(options);
        case Command::Decode:
            return tornel::cli::RunDecode(options);
        case Command::Devices:
            return tornel::cli::RunDevices(options);
        case Command::Listen:
            return tornel::cli::RunListen(options);
    }
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (!args.empty() && (args[0] == "--help" || args[0] == "-h")) {
        std::cout << tornel::cli::UsageText();
        return 0;
    }
    if (!args.empty() && args[0] == "--version") {
        std::cout << "tornel4-cli " << tornel::install::kVersion << '\n';
        return 0;
    }
    tornel::cli::Options options;
    try {
        options = tornel::cli::ParseCommandLine(args);
    } catch (const tornel::cli::UsageError& e) {
        std::cerr << "tornel4-cli: " << e.what() << '\n';
        return 2;
    }
    try {
        return Dispatch(options);
    } catch (const std::exception& e) {
        std::cerr << "tornel4-cli: " << e.what() << '\n';
        return 1;
    }
}
