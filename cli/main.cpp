// tornel4-cli: the programmer's core without a window, for scripts, batch work and tests.

#include <algorithm>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command_table.h"
#include "install_layout.h"

namespace {

int Run(const tornel::cli::Options& options) {
    using namespace tornel::cli;
    if (options.help) {
        std::cout << CommandUsageText(options.command);
        return 0;
    }
    const auto command =
        std::find_if(kCommands.begin(), kCommands.end(),
                     [&](const CommandRow& row) { return row.command == options.command; });
    return command != kCommands.end() ? command->run(options) : 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tornel::cli;
    const std::vector<std::string> args(argv + 1, argv + argc);
    const OptionRow& help = *std::find_if(
        kOptions.begin(), kOptions.end(),
        [](const OptionRow& row) { return std::string_view(row.name) == kHelpOption; });
    if (!args.empty() && (args[0] == help.name || args[0] == help.alias)) {
        std::cout << UsageText();
        return 0;
    }
    if (!args.empty() && args[0] == kVersionOption) {
        std::cout << "tornel4-cli " << tornel::install::kVersion << '\n';
        return 0;
    }
    try {
        return Run(ParseCommandLine(args));
    } catch (const UsageError& e) {  // also a --load that the command could not read
        std::cerr << "tornel4-cli: " << e.what() << '\n';
        return 2;
    } catch (const std::exception& e) {
        std::cerr << "tornel4-cli: " << e.what() << '\n';
        return 1;
    }
}
