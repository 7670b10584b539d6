#pragma once
// hamlib's rigctld with its dummy rig on a free localhost port, for the tests of keying through
// rigctld: started by the constructor, which waits until it answers, stopped by the destructor.
// A watcher thread asks it for the PTT state every few milliseconds over a connection of its own
// and notes each change with the time it was seen.

#include <sys/types.h>

#include <atomic>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tornel::test {

class RigctldServer {
  public:
    using Clock = std::chrono::steady_clock;
    struct Change {
        Clock::time_point seen;  // when the watcher's answer came back
        bool keyed;
    };

    // Throws std::runtime_error when rigctld does not come up within a few seconds.
    RigctldServer();
    ~RigctldServer();
    RigctldServer(const RigctldServer&) = delete;
    RigctldServer& operator=(const RigctldServer&) = delete;

    // True when rigctld is installed.
    static bool Available();

    // "rigctld:127.0.0.1:PORT"
    std::string Choice() const;
    // Every change the watcher has seen so far, oldest first (the first entry is the state at
    // start, released).
    std::vector<Change> Changes() const;
    // Waits until the watcher has seen `keyed`; false on timeout.
    bool WaitFor(bool keyed, std::chrono::milliseconds timeout) const;

  private:
    bool Keyed() const;
    void Watch();

    int port_ = 0;
    pid_t pid_ = -1;
    int watchFd_ = -1;
    std::atomic<bool> stop_{false};
    mutable std::mutex mutex_;
    std::vector<Change> changes_;
    std::thread watcher_;
};

}  // namespace tornel::test
