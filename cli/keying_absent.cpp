// A build without the keying core (the other targets of cmake/CrossBuilds.cmake, which have no
// hamlib and no sound module): send plays without keying, and a choice that keys is refused.

#include <stdexcept>

#include "cli/commands.h"
#include "cli/send_keying.h"

namespace tornel::cli {

namespace {

constexpr const char* kNoKeying = "управление передатчиком в этой сборке не поддерживается";

}  // namespace

class ReleaseOnSignal {};

SendKeying::SendKeying(const Options& options) : options_(options) {
    if (options_.ptt.Keys()) {
        throw std::runtime_error(kNoKeying);
    }
}

SendKeying::~SendKeying() = default;

std::string SendKeying::Play(const std::function<std::string()>& play) {
    return play();
}

int RunPattern(const Options&) {
    throw std::runtime_error(kNoKeying);
}

}  // namespace tornel::cli
