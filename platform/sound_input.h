#pragma once
// Recording from a sound input as the samples arrive: what `tornel4-cli listen` and the loopback
// check of the send decode.

#include <chrono>
#include <string>
#include <vector>

namespace tornel::platform {

class SoundInput {
  public:
    virtual ~SoundInput() = default;
    // Mono samples per second: the input device's own rate where it lies within 8 to 48 kHz.
    virtual int rate() const = 0;
    // The description of the device recorded from (its name when the server gives none).
    virtual const std::string& deviceDescription() const = 0;
    // Waits at most `limit` for samples and appends those that came (a fifth of a second's worth
    // at most), in 16-bit units, to `out`.
    // Throws std::runtime_error (Russian text) once the input has failed.
    virtual void Read(std::vector<float>& out, std::chrono::milliseconds limit) = 0;
};

}  // namespace tornel::platform
