#pragma once
// A monotonic clock for everything that is timed: the trainer's pattern time and the busy wait.
// It never goes back and does not wrap at midnight, unlike the time of day.

#include <chrono>
#include <memory>

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

}  // namespace tornel::platform
