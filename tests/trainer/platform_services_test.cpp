// The real clock, ports and platform family of this system.
#include <gtest/gtest.h>

#include "platform/clock.h"
#include "platform/platform_family.h"
#include "platform/ports.h"
#include "tests/trainer/recording_tone_output.h"
#include "trainer/speaker_services.h"

namespace tornel {
namespace {

using platform::Seconds;

TEST(SteadyClock, NeverGoesBack) {
    const auto clock = platform::MakeSteadyClock();
    Seconds previous = clock->Now();
    for (int i = 0; i < 100000; ++i) {
        const Seconds now = clock->Now();
        ASSERT_GE(now, previous);
        previous = now;
    }
}

TEST(SteadyClock, WaitReturnsOnlyAfterTheDeadline) {
    const auto clock = platform::MakeSteadyClock();
    for (double ms : {0.0, 0.3, 4.0}) {
        const Seconds deadline = clock->Now() + Seconds{ms / 1000.0};
        clock->WaitUntil(deadline);
        EXPECT_GT(clock->Now(), deadline);
    }
}

TEST(SteadyClock, WaitUnitsOnTheRealClockWaitsAtLeastItsLength) {
    const auto clock = platform::MakeSteadyClock();
    fakes::RecordingToneOutput tone;
    const auto ports = platform::MakeSystemPorts();
    SpeakerServices speaker(platform::CurrentPlatformFamily(), tone, *ports, *clock);
    const Seconds start = clock->Now();
    speaker.WaitUnits(13);  // 18 ms
    EXPECT_GT(clock->Now() - start, Seconds{0.018});
}

TEST(SystemPlatform, TakesTheNtPathWithSilentPorts) {
    EXPECT_EQ(platform::CurrentPlatformFamily(), platform::PlatformFamily::Nt);
    EXPECT_EQ(static_cast<int>(platform::PlatformFamily::Nt), 2);
    const auto ports = platform::MakeSystemPorts();
    ports->Write(0x61, 0xFF);
    EXPECT_EQ(ports->Read(0x61), 0);
    EXPECT_EQ(ports->Read(0x42), 0);
}

}  // namespace
}  // namespace tornel
