#pragma once
// Ctrl-C and SIGTERM while a command keys the transmitter. Both are blocked in every thread and
// taken by one thread of this object's own, which releases the guarded session for good
// (KeyedSession::Close, so that nothing keys it again) and ends the process with status 128 +
// the signal (130, 143) after one line on stderr. Ending at once is safe there: the files are
// written before anything is keyed, and playback and the pattern leave nothing behind.

#include <signal.h>

#include <mutex>
#include <thread>

#include "ptt/keyed_session.h"

namespace tornel::cli {

class ReleaseOnSignal {
  public:
    // Blocks SIGINT and SIGTERM in the calling thread, and so in every thread it starts later:
    // make it on the main thread before the sound module and the transmitter start theirs.
    ReleaseOnSignal();
    // Ends the thread and unblocks the signals (one that came meanwhile then acts as usual).
    ~ReleaseOnSignal();
    ReleaseOnSignal(const ReleaseOnSignal&) = delete;
    ReleaseOnSignal& operator=(const ReleaseOnSignal&) = delete;

    // While it lives, a signal releases `session` before the process ends.
    class Guard {
      public:
        Guard(ReleaseOnSignal& owner, ptt::KeyedSession& session);
        ~Guard();
        Guard(const Guard&) = delete;
        Guard& operator=(const Guard&) = delete;

      private:
        ReleaseOnSignal& owner_;
    };

  private:
    void Wait();
    [[noreturn]] void End(int signal);

    sigset_t signals_{};
    sigset_t previous_{};
    int signalFd_ = -1;
    int stopFd_ = -1;
    std::mutex mutex_;
    ptt::KeyedSession* session_ = nullptr;
    std::thread thread_;  // last: started once everything it reads is set up
};

}  // namespace tornel::cli
