#pragma once
// A monotonic clock for everything that is timed: the trainer's pattern time and the busy wait.
// It never goes back and does not wrap at midnight, unlike the time of day.

#include <chrono>
#include <memory>
#include <vector>

namespace tornel::platform {

// Seconds since an arbitrary fixed origin (boot, for the real clock).
using Seconds = std::chrono::duration<double>;

class Clock {
  public:
    virtual ~Clock() = default;
    virtual Seconds Now() const = 0;
    // Blocks the calling thread until Now() reads strictly later than `deadline`. It handles no
    // window events: callers use it where the program is meant to stand still.
    virtual void WaitUntil(Seconds deadline) = 0;
};

// The real clock, on std::chrono::steady_clock.
std::unique_ptr<Clock> MakeSteadyClock();

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
