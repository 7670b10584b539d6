#pragma once
// Listening to a send through the check input chosen in the sound setup: the input is opened
// before the signal starts, what it records is decoded while the signal plays, and after the end
// the last of the signal is given a moment to come back (a sound card's and a receiver's delay)
// before the verdict. An input that cannot be opened or fails never stops the send itself: it
// becomes the verdict.

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "packet/packet.h"
#include "platform/sound_backend.h"
#include "signal/loopback_check.h"

namespace tornel::app {

// The longest wait after the end of the signal for its last samples to come back.
inline constexpr std::chrono::milliseconds kCheckTailLimit{2000};

// What the check came to: a verdict for the status line and, for its tooltip, the level and what
// became of the packet (empty when nothing could be listened to).
struct SendCheckReport {
    std::string status;
    std::string detail;
};

class SendCheck {
  public:
    // `input`: the server's name of the input; `inputLabel`: how messages name it.
    SendCheck(platform::SoundBackend& backend, const std::string& input,
              const std::string& inputLabel, const Packet& sent);
    ~SendCheck();

    // Takes in what the input has recorded so far, without waiting.
    void TakeInput();
    // After the signal has played: reads on until the packet has come back or kCheckTailLimit
    // has passed, calling `between` between reads (a window keeps painting).
    SendCheckReport Finish(const std::function<void()>& between);

  private:
    // Reads what comes within `limit`; an input that fails is closed and its reason kept.
    bool Read(std::chrono::milliseconds limit);

    std::unique_ptr<platform::SoundInput> input_;
    std::optional<LoopbackCheck> check_;
    std::string failure_;  // Russian: why the input could not be listened to
    std::vector<float> block_;
};

}  // namespace tornel::app
