#include "trainer/speaker_services.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <list>
#include <vector>

#include "tests/trainer/recording_tone_output.h"

namespace tornel {
namespace {

using platform::PlatformFamily;
using platform::PortAccess;
using platform::Seconds;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

constexpr auto kRead = PortAccess::Kind::Read;
constexpr auto kWrite = PortAccess::Kind::Write;

class SpeakerTest : public ::testing::Test {
  protected:
    SpeakerServices& Services(PlatformFamily family) {
        services_.emplace_back(family, tone, ports, clock);
        return services_.back();
    }
    std::vector<std::uint8_t> Divisor() const { return ports.WritesTo(kTimerChannel2Port); }

    platform::FakeClock clock{Seconds{500.0}};
    fakes::RecordingToneOutput tone{&clock};
    platform::RecordingPorts ports;

  private:
    std::list<SpeakerServices> services_;
};

TEST(RoundHalfToEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(RoundHalfToEven(0.5L), 0.0L);
    EXPECT_EQ(RoundHalfToEven(1.5L), 2.0L);
    EXPECT_EQ(RoundHalfToEven(2.5L), 2.0L);
    EXPECT_EQ(RoundHalfToEven(-2.5L), -2.0L);
    EXPECT_EQ(RoundHalfToEven(-3.5L), -4.0L);
    EXPECT_EQ(RoundHalfToEven(2.4999L), 2.0L);
    EXPECT_EQ(RoundHalfToEven(2.5001L), 3.0L);
    EXPECT_EQ(RoundHalfToEven(-0.7L), -1.0L);
}

TEST_F(SpeakerTest, SoundIsOnAtStart) {
    EXPECT_TRUE(Services(PlatformFamily::Nt).SoundEnabled());
}

TEST_F(SpeakerTest, SoundOffSilencesBeepAndSpeakerOnWithoutWaiting) {
    for (PlatformFamily family : {PlatformFamily::Nt, PlatformFamily::Older}) {
        SpeakerServices& speaker = Services(family);
        speaker.SetSoundEnabled(false);
        speaker.SpeakerBeep(800, 20);
        speaker.SpeakerOn(800);
    }
    EXPECT_THAT(tone.beeps(), IsEmpty());
    EXPECT_THAT(ports.accesses(), IsEmpty());
    EXPECT_THAT(clock.waits(), IsEmpty());
    EXPECT_EQ(clock.Now(), Seconds{500.0});
}

TEST_F(SpeakerTest, NtBeepGoesToTheToneOutputRounded) {
    SpeakerServices& speaker = Services(PlatformFamily::Nt);
    speaker.SpeakerBeep(800, 20);
    speaker.SpeakerBeep(600.5L, 20.5L);  // halves to even: 600, 20
    speaker.SpeakerBeep(801.5L, 19.5L);  // 802, 20
    speaker.SpeakerBeep(599.6L, 20.4L);  // 600, 20
    ASSERT_EQ(tone.beeps().size(), 4u);
    EXPECT_THAT(tone.Frequencies(), ElementsAre(800, 600, 802, 600));
    for (const auto& beep : tone.beeps()) {
        EXPECT_EQ(beep.durationMs, 20);
    }
    EXPECT_THAT(ports.accesses(), IsEmpty());
    EXPECT_THAT(clock.waits(), IsEmpty());
}

TEST_F(SpeakerTest, NtBeepWithAbsurdArgumentsStaysDefined) {
    SpeakerServices& speaker = Services(PlatformFamily::Nt);
    speaker.SpeakerBeep(1e30L, std::numeric_limits<long double>::quiet_NaN());
    ASSERT_EQ(tone.beeps().size(), 1u);
    EXPECT_EQ(tone.beeps()[0].frequencyHz, std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(tone.beeps()[0].durationMs, 0);
}

TEST_F(SpeakerTest, SpeakerOnDivisorBytes) {
    SpeakerServices& speaker = Services(PlatformFamily::Older);
    speaker.SpeakerOn(0);
    EXPECT_THAT(Divisor(), ElementsAre(0xFF, 0xFF));
    ports = {};
    speaker.SpeakerOn(19);
    EXPECT_THAT(Divisor(), ElementsAre(0xFF, 0xFF));
    ports = {};
    speaker.SpeakerOn(19.6);  // 20 Hz: 1193180 / 20 = 59659 = 0xE90B
    EXPECT_THAT(Divisor(), ElementsAre(0x0B, 0xE9));
    ports = {};
    speaker.SpeakerOn(20.5);  // halves to even: 20 Hz again
    EXPECT_THAT(Divisor(), ElementsAre(0x0B, 0xE9));
    ports = {};
    speaker.SpeakerOn(20000);  // divisor 59
    EXPECT_THAT(Divisor(), ElementsAre(0x3B, 0x00));
}

TEST_F(SpeakerTest, SpeakerOnOutsideTheRangeTouchesNoPort) {
    SpeakerServices& speaker = Services(PlatformFamily::Older);
    speaker.SpeakerOn(20000.4);
    speaker.SpeakerOn(-1);
    speaker.SpeakerOn(-0.1);
    speaker.SpeakerOn(std::nan(""));
    EXPECT_THAT(ports.accesses(), IsEmpty());
}

TEST_F(SpeakerTest, SpeakerOnSetsGateAndSpeakerBitsKeepingTheOthers) {
    ports.SetReadValue(kSpeakerControlPort, 0x4C);
    Services(PlatformFamily::Older).SpeakerOn(800);  // 1193180 / 800 = 1491 = 0x05D3
    EXPECT_THAT(ports.accesses(),
                ElementsAre(PortAccess{kWrite, 0x42, 0xD3}, PortAccess{kWrite, 0x42, 0x05},
                            PortAccess{kRead, 0x61, 0x4C}, PortAccess{kWrite, 0x61, 0x4F}));
}

TEST_F(SpeakerTest, SpeakerOffWritesModeAndClearsOnlyTheTwoLowBits) {
    ports.SetReadValue(kSpeakerControlPort, 0xFF);
    SpeakerServices& speaker = Services(PlatformFamily::Older);
    speaker.SetSoundEnabled(false);  // not consulted
    speaker.SpeakerOff();
    EXPECT_THAT(ports.accesses(),
                ElementsAre(PortAccess{kWrite, 0x43, 0xB6}, PortAccess{kRead, 0x61, 0xFF},
                            PortAccess{kWrite, 0x61, 0xFC}));
}

TEST_F(SpeakerTest, SpeakerOffOnNtDoesNothing) {
    Services(PlatformFamily::Nt).SpeakerOff();
    EXPECT_THAT(ports.accesses(), IsEmpty());
}

TEST_F(SpeakerTest, OlderFamilyBeepIsSpeakerOnWaitSpeakerOff) {
    ports.SetReadValue(kSpeakerControlPort, 0x30);
    Services(PlatformFamily::Older).SpeakerBeep(800.4L, 20);
    EXPECT_THAT(tone.beeps(), IsEmpty());
    EXPECT_THAT(ports.accesses(),
                ElementsAre(PortAccess{kWrite, 0x42, 0xD3}, PortAccess{kWrite, 0x42, 0x05},
                            PortAccess{kRead, 0x61, 0x30}, PortAccess{kWrite, 0x61, 0x33},
                            PortAccess{kWrite, 0x43, 0xB6}, PortAccess{kRead, 0x61, 0x30},
                            PortAccess{kWrite, 0x61, 0x30}));
    // The duration counts wait units there: 20 units are about 27.7 ms.
    ASSERT_EQ(clock.waits().size(), 1u);
    EXPECT_NEAR(clock.waits()[0].count(), 20 * 0.018 / 13, 1e-9);
}

TEST_F(SpeakerTest, OlderFamilyBeepWaitsTheLow16BitsOfTheDuration) {
    Services(PlatformFamily::Older).SpeakerBeep(800, 65536 + 13);
    ASSERT_EQ(clock.waits().size(), 1u);
    EXPECT_NEAR(clock.waits()[0].count(), 0.018, 1e-9);
}

TEST_F(SpeakerTest, WaitUnitsLastsEighteenThirteenthsOfAMillisecondEach) {
    SpeakerServices& speaker = Services(PlatformFamily::Nt);
    speaker.SetSoundEnabled(false);  // not consulted
    const Seconds start = clock.Now();
    speaker.WaitUnits(1000);
    const double waited = (clock.Now() - start).count();
    EXPECT_GT(waited, 1.3846153);
    EXPECT_LT(waited, 1.3847);
}

TEST_F(SpeakerTest, WaitUnitsZeroReturnsOnceTheClockHasMoved) {
    const Seconds start = clock.Now();
    Services(PlatformFamily::Nt).WaitUnits(0);
    EXPECT_GT(clock.Now(), start);
    EXPECT_LT((clock.Now() - start).count(), 1e-3);
}

}  // namespace
}  // namespace tornel
