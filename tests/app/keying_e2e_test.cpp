// Keying a real rigctld (hamlib's dummy rig) from the window around a send through the private
// sound server; a trainer run's releases are in keying_test.cpp.

#include "platform/sound_backend.h"
#include "signal/wav_writer.h"
#include "tests/app/window_fixture.h"
#include "tests/support/pulse_server.h"
#include "tests/support/rigctld_server.h"
#include "tests/support/timing.h"

namespace tornel::app::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const auto kSlack = std::chrono::duration_cast<Clock::duration>(
    std::chrono::duration<double>(test::kLoadedMachineSlackSeconds));

class KeyingRigctld : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (!test::RigctldServer::Available()) {
            GTEST_SKIP() << "rigctld is not installed";
        }
        rig = std::make_unique<test::RigctldServer>();
    }
    std::unique_ptr<test::RigctldServer> rig;
};

TEST_F(KeyingRigctld, SendIsKeyedByTheDelayBeforeItsFirstSampleAndReleasedByTheTailAfterItsLast) {
    if (!test::PulseServer::Available()) {
        GTEST_SKIP() << "pulseaudio is not installed";
    }
    // 48 kHz stereo: the sink hands its samples out every 21 ms.
    test::PulseServer server({.rate = 48000, .channels = 2});
    const auto output = platform::MakeSystemSoundBackend("tornel-test")->MakeSoundOutput();
    const ptt::KeyingTimes times{.txDelayMs = 300, .txTailMs = 300};
    WriteSoundSettings(*OpenUserSettings(),
                       {.transmitter = ptt::ParsePttSpec(rig->Spec()), .keying = times});
    Recreate({}, {}, output.get());
    const std::size_t mark = server.RecordedFrames();
    Button("Button_FormFile")->click();
    Button("Button_Out")->click();
    ASSERT_TRUE(rig->WaitFor(false, 5s));
    server.WaitForFrames(server.RecordedFrames() + 4800, 5s);
    EXPECT_TRUE(Status().contains("нет ошибок")) << Status().toStdString();

    const auto changes = rig->Changes();
    ASSERT_EQ(changes.size(), 3u);  // released, keyed, released
    const auto recording = server.Recording(mark);
    const long first = test::FirstAbove(recording, 0);
    ASSERT_GE(first, 0);
    // The file goes on in silence after the signal: its last sample is the file's length on.
    const auto fileFrames = static_cast<std::size_t>(kWavDataSamples) * 48000 / kSampleRate;
    const auto firstSample = server.ArrivalTime(mark + first);
    const auto lastSample = server.ArrivalTime(mark + first + fileFrames - 1);
    EXPECT_LT(changes[1].seen, firstSample);
    EXPECT_GE(firstSample - changes[1].seen, std::chrono::milliseconds(times.txDelayMs) - kSlack);
    EXPECT_GT(changes[2].seen, lastSample);
    EXPECT_GE(changes[2].seen - lastSample, std::chrono::milliseconds(times.txTailMs) - kSlack);
    EXPECT_LT(changes[2].seen - lastSample, std::chrono::milliseconds(times.txTailMs) + 1s);
}

}  // namespace
}  // namespace tornel::app::testing
