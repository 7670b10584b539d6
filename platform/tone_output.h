#pragma once
// A short tone of a given pitch and length: the beep of the PTT trainer.

#include <memory>
#include <string>

namespace tornel::platform {

class ToneOutput {
  public:
    virtual ~ToneOutput() = default;
    // Plays a sine tone of `frequencyHz` for `durationMs` and returns when it has been played.
    // Failures are silent: a beep that cannot sound is not an error for the operator.
    virtual void Beep(int frequencyHz, int durationMs) = 0;
};

}  // namespace tornel::platform
