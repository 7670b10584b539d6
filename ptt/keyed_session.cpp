#include "ptt/keyed_session.h"

namespace tornel::ptt {

namespace {

// A watchdog whose release fails tries again this often until the session ends.
constexpr std::chrono::milliseconds kReleaseRetry{200};

}  // namespace

std::chrono::milliseconds SendLimit(const KeyingTimes& times, std::size_t fileSamples,
                                    int sampleRate) {
    // Rounded up: the limit never falls short of the file.
    const auto file = std::chrono::milliseconds(
        (static_cast<long long>(fileSamples) * 1000 + sampleRate - 1) / sampleRate);
    return std::chrono::milliseconds(times.txDelayMs + times.txTailMs) + file + kHardLimitMargin;
}

KeyedSession::KeyedSession(Transmitter& transmitter, std::chrono::milliseconds limit)
    : transmitter_(transmitter),
      watchdog_([this, deadline = std::chrono::steady_clock::now() + limit](std::stop_token stop) {
          Watch(stop, deadline);
      }) {}

KeyedSession::~KeyedSession() {
    watchdog_.request_stop();
    watchdog_.join();
    std::lock_guard lock(mutex_);
    try {
        ReleaseLocked();
    } catch (const PttError&) {
        // Nothing more can be done here; the caller that cares released explicitly and heard.
    }
}

void KeyedSession::Key() {
    std::lock_guard lock(mutex_);
    KeyLocked();
}

void KeyedSession::KeyLocked() {
    if (expired_) {
        throw PttError(transmitter_.Label() + ": предельное время передачи истекло");
    }
    if (closed_) {
        throw PttError(transmitter_.Label() + ": передача прервана");
    }
    keyed_ = true;  // a key that fails may have keyed all the same: it is released later
    transmitter_.Key();
}

void KeyedSession::Release() {
    std::lock_guard lock(mutex_);
    ReleaseLocked();
}

void KeyedSession::Close() {
    std::lock_guard lock(mutex_);
    closed_ = true;
    ReleaseLocked();
}

bool KeyedSession::Follow(bool pttOn) {
    // One lock for the look and the act: a release from another thread cannot come between.
    std::lock_guard lock(mutex_);
    if (pttOn == keyed_) {
        return false;
    }
    if (pttOn) {
        KeyLocked();
    } else {
        ReleaseLocked();
    }
    return true;
}

void KeyedSession::ReleaseLocked() {
    if (keyed_) {
        transmitter_.Release();
        keyed_ = false;
    }
}

bool KeyedSession::keyed() const {
    std::lock_guard lock(mutex_);
    return keyed_;
}

bool KeyedSession::expired() const {
    std::lock_guard lock(mutex_);
    return expired_;
}

void KeyedSession::Watch(std::stop_token stop, std::chrono::steady_clock::time_point deadline) {
    std::unique_lock lock(mutex_);
    for (;;) {
        // Nothing but the stop or the deadline ends the wait.
        wake_.wait_until(lock, stop, deadline, [] { return false; });
        if (stop.stop_requested()) {
            return;
        }
        expired_ = true;
        try {
            ReleaseLocked();
            return;
        } catch (const PttError&) {
            deadline = std::chrono::steady_clock::now() + kReleaseRetry;
        }
    }
}

}  // namespace tornel::ptt
