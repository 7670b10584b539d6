#include "platform/clock.h"

#include <thread>

namespace tornel::platform {
namespace {

class SteadyClock : public Clock {
  public:
    Seconds Now() const override {
        return std::chrono::duration_cast<Seconds>(
            std::chrono::steady_clock::now().time_since_epoch());
    }

    // Sleeps rather than spinning: the thread is blocked either way, and a spin of more than a
    // second at the end of every trainer run would cost a whole core for nothing. The short spin
    // afterwards only makes the "strictly later" reading certain.
    void WaitUntil(Seconds deadline) override {
        const auto until = std::chrono::steady_clock::time_point(
            std::chrono::duration_cast<std::chrono::steady_clock::duration>(deadline));
        std::this_thread::sleep_until(until);
        while (!(Now() > deadline)) {
        }
    }
};

}  // namespace

std::unique_ptr<Clock> MakeSteadyClock() {
    return std::make_unique<SteadyClock>();
}

}  // namespace tornel::platform
