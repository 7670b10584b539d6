#pragma once
// A transmitter keyed from a thread of its own, for a caller that must never wait for it: the
// window's trainer keys at the tick that lights the indicator and sounds the edge's beep, and a
// release through hamlib takes 50 ms or more (hamlib waits after every PTT off).

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "ptt/keyed_session.h"

namespace tornel::ptt {

class BackgroundKeying {
  public:
    // Takes the transmitter, released, with its hard limit from now on.
    BackgroundKeying(std::unique_ptr<Transmitter> transmitter, std::chrono::milliseconds limit);
    // Ends the thread and releases the transmitter before closing it.
    ~BackgroundKeying();
    BackgroundKeying(const BackgroundKeying&) = delete;
    BackgroundKeying& operator=(const BackgroundKeying&) = delete;

    // Asks for the PTT at `pttOn` and returns at once; the thread keys or releases. Of several
    // levels asked for before the thread comes to them, the last counts.
    void Follow(bool pttOn);
    // The first failure of the thread since the last call (Russian, naming the device).
    std::optional<std::string> TakeError();
    // Releases now, dropping what was asked for and not yet done; a key or release the thread
    // has already begun is waited for first, so nothing keys after this returns. Throws PttError.
    void Release();

  private:
    void Run(std::stop_token stop);

    TransmitterRun run_;
    std::mutex mutex_;
    std::condition_variable_any wake_;
    std::condition_variable idle_;  // the thread has finished what it took up
    std::optional<bool> wanted_;
    std::optional<std::string> error_;
    bool asked_ = false;   // the level last asked for (Follow) or set (Release)
    bool busy_ = false;    // the thread is keying or releasing
    std::jthread thread_;  // last: started once everything it reads is set up
};

}  // namespace tornel::ptt
