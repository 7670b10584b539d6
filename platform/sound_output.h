#pragma once
// Playing a WAV file through the sound card, to the very end, before returning.

#include <functional>
#include <memory>
#include <string>

namespace tornel::platform {

struct PlayResult {
    bool played = false;
    std::string error;  // Russian, for the operator, when nothing (or not all) was played
};

class SoundOutput {
  public:
    virtual ~SoundOutput() = default;
    // Plays the 16-bit PCM WAV file and returns when its last sample has been played.
    // `progress` (may be empty) is called on the calling thread now and then with the fraction
    // played so far, so that a window can keep painting. Fails fast when there is no sound server.
    virtual PlayResult PlayFile(const std::string& path,
                                const std::function<void(double)>& progress) = 0;
};

}  // namespace tornel::platform
