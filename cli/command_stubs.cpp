// Commands whose core is not built yet. Each reports so and exits with status 1.
#include <iostream>

#include "cli/commands.h"

namespace tornel::cli {

namespace {
int NotAvailable(const char* name) {
    std::cerr << "tornel4-cli: команда " << name << " пока недоступна\n";
    return 1;
}
}  // namespace

int RunGenerate(const Options&) { return NotAvailable("generate"); }
int RunSend(const Options&) { return NotAvailable("send"); }
int RunDecode(const Options&) { return NotAvailable("decode"); }

}  // namespace tornel::cli
