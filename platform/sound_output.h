#pragma once
// Playing a WAV file through the sound card, to the very end, before returning.

#include <functional>
#include <memory>
#include <string>
#include <utility>

namespace tornel::platform {

// Where and how loud a playback goes.
struct PlaybackTarget {
    std::string device;      // the server's name of the output; empty: the system default
    int levelPercent = 100;  // share of full amplitude, 0..100 (see sound_level.h)
};

struct PlayResult {
    bool played = false;
    std::string error;  // Russian, for the operator, when nothing (or not all) was played
    // The chosen output does not exist: nothing was played, on no other output either.
    bool deviceMissing = false;
    // The server reported less played than the file holds: the start went out, the end did not.
    bool incomplete = false;
    // The output that played the sound, as the desktop names it (when played).
    std::string deviceDescription;
};

inline PlayResult PlayFailure(std::string error, bool deviceMissing = false) {
    PlayResult result;
    result.error = std::move(error);
    result.deviceMissing = deviceMissing;
    return result;
}

class SoundOutput {
  public:
    virtual ~SoundOutput() = default;
    // Plays the 16-bit PCM WAV file on `target` and returns when its last sample has been played.
    // `progress` (may be empty) is called on the calling thread now and then with the fraction
    // played so far, so that a window can keep painting. Fails fast when there is no sound server.
    virtual PlayResult PlayFile(const std::string& path, const PlaybackTarget& target,
                                const std::function<void(double)>& progress) = 0;
};

}  // namespace tornel::platform
