#pragma once
// Listening to a send through the check input chosen in the sound setup: the input is opened
// before the signal starts, what it records is decoded while the signal plays, and after the end
// the last of the signal is given a moment to come back (a sound card's and a receiver's delay)
// before the verdict. An input that cannot be opened or fails never stops the send itself: it
// becomes the verdict.

#include <algorithm>
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

// The status line after a send played to its end on `output`, and what its tooltip adds.
struct SentLine {
    std::string status;
    std::string detail;  // empty: the line says it all
};

// Without a check: the build's status, then the output. With one: its verdict, and in the
// tooltip the build's status, the output and the check's detail on the input `inputLabel`. The
// window and the browser edition both word it here.
inline SentLine SentStatusLine(const std::string& buildStatus, const std::string& output,
                               const SendCheckReport& checked, const std::string& inputLabel) {
    if (checked.status.empty()) {
        return {buildStatus + "  выдано: «" + output + "»", {}};
    }
    const auto first = buildStatus.find_first_not_of(' ');
    const auto last = buildStatus.find_last_not_of(' ');
    std::string detail =
        (first == std::string::npos ? std::string() : buildStatus.substr(first, last - first + 1)) +
        "\nвыдано на: " + output;
    if (!checked.detail.empty()) {
        detail +=
            (inputLabel.empty() ? "\nконтроль: " : "\nконтроль на входе «" + inputLabel + "»: ") +
            checked.detail;
    }
    return {checked.status, detail};
}

// " Выдача сигнала: 25 %": the status line while the signal plays.
inline std::string PlaybackProgressText(double fraction) {
    const int percent = static_cast<int>(std::clamp(fraction, 0.0, 1.0) * 100.0 + 0.5);
    return " Выдача сигнала: " + std::to_string(percent) + " %";
}

class SendCheck {
  public:
    // `input`: the server's name of the input; `inputLabel`: how messages name it.
    SendCheck(platform::SoundBackend& backend, const std::string& input,
              const std::string& inputLabel, const Packet& sent);

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
