#pragma once
// The speaker services of the PTT trainer: a short tone of a given pitch and length, a busy wait,
// and the port pair of the PC-speaker path. On the NT platform family (Linux included) a tone goes
// to the tone output; on the older family it is made with timer channel 2 and the speaker port.

#include <cstdint>

#include "platform/clock.h"
#include "platform/platform_family.h"
#include "platform/ports.h"
#include "platform/tone_output.h"

namespace tornel {

inline constexpr std::uint32_t kTimerInputClockHz = 1193180;
inline constexpr std::uint16_t kTimerChannel2Port = 0x42;
inline constexpr std::uint16_t kTimerModePort = 0x43;
inline constexpr std::uint16_t kSpeakerControlPort = 0x61;
// Channel 2, low byte then high byte, mode 3 (square wave), binary counting.
inline constexpr std::uint8_t kSpeakerTimerMode = 0xB6;
// Bit 0 gates timer channel 2, bit 1 enables the speaker data.
inline constexpr std::uint8_t kSpeakerGateBits = 0x03;
inline constexpr double kHighestSpeakerHz = 20000.0;

// One unit of WaitUnits: 18/13 ms (62 400 000 units to the day).
inline constexpr double kWaitUnitSeconds = 0.018 / 13.0;

// Rounds to the nearest whole number, halves to even, whatever the floating-point rounding mode.
long double RoundHalfToEven(long double value);

class SpeakerServices {
  public:
    // The references must outlive this object.
    SpeakerServices(platform::PlatformFamily family, platform::ToneOutput& tone,
                    platform::IoPorts& ports, platform::Clock& clock);

    // The "звук" switch: true at start; while false neither SpeakerBeep nor SpeakerOn does
    // anything.
    bool SoundEnabled() const { return soundEnabled_; }
    void SetSoundEnabled(bool enabled) { soundEnabled_ = enabled; }

    // A tone of `frequency` Hz. On the NT family `duration` is in milliseconds and the call returns
    // when the tone has played; on the older family it counts wait units of 18/13 ms.
    void SpeakerBeep(long double frequency, long double duration);
    // Starts the PC-speaker tone; frequencies outside 0..20000 Hz are ignored.
    void SpeakerOn(double frequency);
    // Stops the PC-speaker tone and sets the timer mode for the next one (older family only).
    void SpeakerOff();
    // Blocks for `count` units of 18/13 ms on the monotonic clock.
    void WaitUnits(std::uint16_t count);

    std::uint8_t PortRead(std::uint16_t port);
    void PortWrite(std::uint16_t port, std::uint8_t value);

  private:
    bool OnNtFamily() const { return family_ == platform::PlatformFamily::Nt; }

    bool soundEnabled_ = true;
    platform::PlatformFamily family_;
    platform::ToneOutput& tone_;
    platform::IoPorts& ports_;
    platform::Clock& clock_;
};

}  // namespace tornel
