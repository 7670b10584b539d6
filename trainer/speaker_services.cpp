#include "trainer/speaker_services.h"

#include <cmath>
#include <limits>

namespace tornel {
namespace {

// A rounded value as a 32-bit integer. Out-of-range values saturate and NaN gives 0, where a
// plain conversion would be undefined.
std::int32_t ToInt32(long double rounded) {
    using Limits = std::numeric_limits<std::int32_t>;
    if (std::isnan(rounded)) {
        return 0;
    }
    if (rounded <= static_cast<long double>(Limits::min())) {
        return Limits::min();
    }
    if (rounded >= static_cast<long double>(Limits::max())) {
        return Limits::max();
    }
    return static_cast<std::int32_t>(rounded);
}

std::uint16_t TimerDivisor(std::uint16_t frequencyHz) {
    // Below 20 Hz the divisor would not fit 16 bits (and 0 Hz would divide by zero): the lowest
    // tone the timer gives, divisor 0xFFFF, stands in.
    if (frequencyHz <= 19) {
        return 0xFFFF;
    }
    return static_cast<std::uint16_t>(kTimerInputClockHz / frequencyHz);
}

}  // namespace

long double RoundHalfToEven(long double value) {
    const long double nearest = std::round(value);  // halves away from zero
    if (std::fabs(value - std::trunc(value)) == 0.5L) {
        return 2.0L * std::round(value / 2.0L);
    }
    return nearest;
}

SpeakerServices::SpeakerServices(platform::PlatformFamily family, platform::ToneOutput& tone,
                                 platform::IoPorts& ports, platform::Clock& clock)
    : family_(family), tone_(tone), ports_(ports), clock_(clock) {}

void SpeakerServices::SpeakerBeep(long double frequency, long double duration) {
    if (!soundEnabled_) {
        return;
    }
    const std::int32_t f = ToInt32(RoundHalfToEven(frequency));
    const std::int32_t d = ToInt32(RoundHalfToEven(duration));
    if (OnNtFamily()) {
        tone_.Beep(f, d);
        return;
    }
    SpeakerOn(f);
    WaitUnits(static_cast<std::uint16_t>(d));
    SpeakerOff();
}

void SpeakerServices::SpeakerOn(double frequency) {
    if (!soundEnabled_) {
        return;
    }
    // Written so that NaN fails too.
    if (!(frequency >= 0.0 && frequency <= kHighestSpeakerHz)) {
        return;
    }
    const auto hz = static_cast<std::uint16_t>(RoundHalfToEven(frequency));
    const std::uint16_t divisor = TimerDivisor(hz);
    PortWrite(kTimerChannel2Port, static_cast<std::uint8_t>(divisor & 0xFF));
    PortWrite(kTimerChannel2Port, static_cast<std::uint8_t>(divisor >> 8));
    PortWrite(kSpeakerControlPort, PortRead(kSpeakerControlPort) | kSpeakerGateBits);
}

void SpeakerServices::SpeakerOff() {
    if (OnNtFamily()) {
        return;
    }
    PortWrite(kTimerModePort, kSpeakerTimerMode);
    // The gate is cleared with a direct access to the port, not through PortRead/PortWrite.
    const std::uint8_t control = ports_.Read(kSpeakerControlPort);
    ports_.Write(kSpeakerControlPort, control & static_cast<std::uint8_t>(~kSpeakerGateBits));
}

void SpeakerServices::WaitUnits(std::uint16_t count) {
    const platform::Seconds start = clock_.Now();
    clock_.WaitUntil(start + platform::Seconds{count * kWaitUnitSeconds});
}

std::uint8_t SpeakerServices::PortRead(std::uint16_t port) {
    return ports_.Read(port);
}

void SpeakerServices::PortWrite(std::uint16_t port, std::uint8_t value) {
    ports_.Write(port, value);
}

}  // namespace tornel
