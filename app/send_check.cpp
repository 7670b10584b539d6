#include "app/send_check.h"

#include <algorithm>
#include <stdexcept>

namespace tornel::app {

namespace {

// True when the server answers and has no input of that name.
bool InputAbsent(platform::SoundBackend& backend, const std::string& input) {
    const platform::SoundDevices devices = backend.ListDevices();
    return devices.reachable &&
           std::ranges::none_of(devices.inputs, [&](const platform::SoundDevice& device) {
               return device.name == input;
           });
}

}  // namespace

SendCheck::SendCheck(platform::SoundBackend& backend, const std::string& input,
                     const std::string& inputLabel, const Packet& sent) {
    try {
        input_ = backend.MakeSoundInput(input);
        check_.emplace(input_->rate(), sent);
    } catch (const std::exception& e) {  // a missing input, no server, a rate out of range
        input_.reset();
        // An absent input is named as the operator chose it, not by the server's long name.
        failure_ = InputAbsent(backend, input) ? "вход «" + inputLabel + "» не подключён"
                                               : std::string(e.what());
    }
}

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
    if (!check_ || !failure_.empty()) {
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
        check_->Feed(block_);
    } catch (const std::exception& e) {  // the input failed, or memory ran out: the send goes on
        input_.reset();
        failure_ = e.what();
        return false;
    }
    return !block_.empty();
}

}  // namespace tornel::app
