#include "ptt/background_keying.h"

namespace tornel::ptt {

BackgroundKeying::BackgroundKeying(std::unique_ptr<Transmitter> transmitter,
                                   std::chrono::milliseconds limit)
    : run_(std::move(transmitter), limit), thread_([this](std::stop_token stop) { Run(stop); }) {}

BackgroundKeying::~BackgroundKeying() {
    thread_.request_stop();
    thread_.join();
    // The session's end releases the transmitter, whatever the thread did last.
}

void BackgroundKeying::Follow(bool pttOn) {
    {
        std::lock_guard lock(mutex_);
        if (pttOn == asked_) {
            return;
        }
        asked_ = pttOn;
        wanted_ = pttOn;
    }
    wake_.notify_one();
}

std::optional<std::string> BackgroundKeying::TakeError() {
    std::lock_guard lock(mutex_);
    return std::exchange(error_, std::nullopt);
}

void BackgroundKeying::Release() {
    {
        std::unique_lock lock(mutex_);
        wanted_.reset();
        asked_ = false;
        // A key the thread has taken up would otherwise land after this release.
        idle_.wait(lock, [this] { return !busy_; });
    }
    run_.session().Release();
}

void BackgroundKeying::Run(std::stop_token stop) {
    std::unique_lock lock(mutex_);
    while (wake_.wait(lock, stop, [this] { return wanted_.has_value(); })) {
        const bool pttOn = *std::exchange(wanted_, std::nullopt);
        busy_ = true;
        lock.unlock();
        std::optional<std::string> error;
        try {
            run_.session().Follow(pttOn);
        } catch (const PttError& e) {
            error = e.what();
        }
        lock.lock();
        if (error && !error_) {
            error_ = std::move(error);
        }
        busy_ = false;
        idle_.notify_all();
    }
}

}  // namespace tornel::ptt
