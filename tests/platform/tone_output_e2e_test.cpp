// Beeps through a real PulseAudio server whose pipe sink records what was played.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <thread>

#include "platform/sound_backend.h"
#include "tests/platform/test_wav.h"
#include "tests/support/pulse_server.h"
#include "tests/support/timing.h"
#include "tests/support/tone_bursts.h"

namespace tornel::platform {
namespace {

using test::PulseServer;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

class ToneOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!PulseServer::Available()) {
            GTEST_SKIP() << "pulseaudio is not installed";
        }
    }
};

TEST_F(ToneOutputTest, BeepsHaveTheirPitchLengthAndOrder) {
    PulseServer server;
    const auto tones = MakeSystemSoundBackend("tornel-test")->MakeToneOutput();
    const std::size_t mark = server.RecordedFrames();
    const auto called = Clock::now();
    tones->Beep(800, 20);
    const auto returned = Clock::now();
    tones->Beep(600, 20);
    tones->Beep(800, 40);
    ASSERT_TRUE(server.WaitForFrames(server.RecordedFrames() + 4000, std::chrono::seconds(5)));

    const auto found = test::FindToneBursts(server.Recording(mark), server.rate());
    ASSERT_EQ(found.size(), 3u);
    const double expectedHz[] = {800, 600, 800};
    const long expectedLength[] = {320, 320, 640};  // 20 and 40 ms at 16 kHz
    for (int i = 0; i < 3; ++i) {
        EXPECT_NEAR(found[i].frequency, expectedHz[i], 20) << "tone " << i;
        // The first sample of a sine is zero, so a tone may show one sample short.
        EXPECT_NEAR(found[i].length, expectedLength[i], 2) << "tone " << i;
    }
    // Beep returns once its tone has been played.
    EXPECT_GE(Ms(returned - called), 15.0);
    // Its end reaches the sink soon after: within a few 5.3 ms sink blocks and the slack.
    EXPECT_LT(Ms(server.ArrivalTime(mark + found[0].start + found[0].length) - returned),
              50.0 + test::kLoadedMachineSlackSeconds * 1000.0);
}

TEST_F(ToneOutputTest, IsSilentAndQuickWithoutAServer) {
    test::TempDir dir;
    test::ScopedEnv server("PULSE_SERVER", "unix:" + (dir.path() / "no-server").string());
    const auto called = Clock::now();
    const auto tones = MakeSystemSoundBackend("tornel-test")->MakeToneOutput();
    for (int i = 0; i < 4; ++i) {
        tones->Beep(800, 20);
    }
    const auto took = Clock::now() - called;
    EXPECT_LT(took, std::chrono::seconds(5));
    std::cout << "[measure] tone output with no server: start and four beeps took " << Ms(took)
              << " ms\n";
}

TEST_F(ToneOutputTest, RecoversWhenTheServerComesLater) {
    test::TempDir dir;
    std::unique_ptr<ToneOutput> tones;
    {
        test::ScopedEnv server("PULSE_SERVER", "unix:" + (dir.path() / "no-server").string());
        tones = MakeSystemSoundBackend("tornel-test")->MakeToneOutput();
        tones->Beep(800, 20);
    }
    PulseServer server;
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));  // past the retry pause
    const std::size_t mark = server.RecordedFrames();
    tones->Beep(800, 20);
    ASSERT_TRUE(server.WaitForFrames(server.RecordedFrames() + 4000, std::chrono::seconds(5)));
    EXPECT_EQ(test::FindToneBursts(server.Recording(mark), server.rate()).size(), 1u);
}

// Between beeps the stream takes no part in the mixing, so the server suspends the sink (and the
// pipe sink stops writing); the next beep wakes it and sounds whole.
TEST_F(ToneOutputTest, RestsBetweenBeepsSoTheOutputCanSuspend) {
    PulseServer server({.suspendIdleSeconds = 1});
    const auto tones = MakeSystemSoundBackend("tornel-test")->MakeToneOutput();
    tones->Beep(800, 20);
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    const std::size_t idle = server.RecordedFrames();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(server.RecordedFrames(), idle) << "the sink kept running between beeps";

    tones->Beep(600, 20);
    ASSERT_TRUE(server.WaitForFrames(idle + 2000, std::chrono::seconds(5)));
    const auto found = test::FindToneBursts(server.Recording(idle), server.rate());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_NEAR(found[0].frequency, 600, 20);
    EXPECT_NEAR(found[0].length, 320, 2);
}

// Onset latency: from the Beep call to the tone's first sample at the sink. The sink hands its
// samples over in blocks of 4096 bytes; 48 kHz with 8 channels makes a block 5.3 ms long.
TEST_F(ToneOutputTest, MeasuresOnsetLatency) {
    PulseServer server({.rate = 48000, .channels = 8});
    const auto tones = MakeSystemSoundBackend("tornel-test")->MakeToneOutput();
    std::vector<double> onsets;
    for (int i = 0; i < 12; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(37));
        const std::size_t mark = server.RecordedFrames();
        const auto called = Clock::now();
        tones->Beep(800, 20);
        ASSERT_TRUE(server.WaitForFrames(server.RecordedFrames() + 2400, std::chrono::seconds(5)));
        const auto recording = server.Recording(mark);
        const long first = test::FirstAbove(recording, test::kToneThreshold);
        ASSERT_GE(first, 0) << "beep " << i << " was not recorded";
        onsets.push_back(Ms(server.ArrivalTime(mark + first) - called));
    }
    std::sort(onsets.begin(), onsets.end());
    std::cout << "[measure] beep onset latency over " << onsets.size() << " beeps: min "
              << onsets.front() << " ms, median " << onsets[onsets.size() / 2] << " ms, max "
              << onsets.back() << " ms (sink block 5.3 ms)\n";
}

}  // namespace
}  // namespace tornel::platform
