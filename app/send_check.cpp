#include "app/send_check.h"

#include <stdexcept>

namespace tornel::app {

SendCheck::SendCheck(platform::SoundBackend& backend, const std::string& input,
                     const Packet& sent) {
    try {
        input_ = backend.MakeSoundInput(input);
        check_.emplace(input_->rate(), sent);
    } catch (const std::exception& e) {  // a missing input, no server, a rate out of range
        input_.reset();
        failure_ = e.what();
    }
}

SendCheck::~SendCheck() = default;

void SendCheck::TakeInput() {
    while (Read(std::chrono::milliseconds(0))) {
    }
}

SendCheckReport SendCheck::Finish(const std::function<void()>& between) {
    const auto until = std::chrono::steady_clock::now() + kCheckTailLimit;
    TakeInput();
    while (input_ && !check_->heard() && std::chrono::steady_clock::now() < until) {
        Read(std::chrono::milliseconds(20));
        if (between) {
            between();
        }
    }
    if (!failure_.empty()) {
        return {" контроль: " + failure_, {}};
    }
    const LoopbackOutcome outcome = check_->Finish();
    return {LoopbackStatusText(outcome), LoopbackDetailText(outcome)};
}

bool SendCheck::Read(std::chrono::milliseconds limit) {
    if (!input_) {
        return false;
    }
    block_.clear();
    try {
        input_->Read(block_, limit);
    } catch (const std::exception& e) {
        input_.reset();
        failure_ = e.what();
        return false;
    }
    check_->Feed(block_);
    return !block_.empty();
}

}  // namespace tornel::app
