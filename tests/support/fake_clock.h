#pragma once
// The tests' clock: time moves only when a test moves it, so timing is exact and load-free.

#include <vector>

#include "platform/clock.h"

namespace tornel::platform {

// A clock that moves only when told to. A wait does not block: it moves the clock to the first
// reading past the deadline, one `resolution` later, and is remembered.
class FakeClock : public Clock {
  public:
    explicit FakeClock(Seconds start = Seconds{0.0}, Seconds resolution = Seconds{1e-6})
        : now_(start), resolution_(resolution) {}

    Seconds Now() const override { return now_; }
    void WaitUntil(Seconds deadline) override {
        waits_.push_back(deadline - now_);
        if (now_ <= deadline) {
            now_ = deadline + resolution_;
        }
    }

    void Set(Seconds now) { now_ = now; }
    void Advance(Seconds step) { now_ += step; }
    // The length of each wait asked for, from the clock's reading at the call to the deadline.
    const std::vector<Seconds>& waits() const { return waits_; }

  private:
    Seconds now_;
    Seconds resolution_;
    std::vector<Seconds> waits_;
};

}  // namespace tornel::platform
