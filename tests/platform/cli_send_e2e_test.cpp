// tornel4-cli send through a real PulseAudio server whose pipe sink records what was played.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>

#include "signal/wav_reader.h"
#include "tests/platform/test_wav.h"
#include "tests/support/pulse_server.h"
#include "tests/support/run_process.h"

namespace tornel {
namespace {

using test::PulseServer;
using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(CliSend, PlaysTheWrittenFileToItsEnd) {
    if (!PulseServer::Available()) {
        GTEST_SKIP() << "pulseaudio is not installed";
    }
    PulseServer server;
    test::TempDir dir;
    const std::size_t mark = server.RecordedFrames();
    const auto r = test::RunProcess(test::CliPath(), {"send", "--p1", "7", "--filter", "off"},
                                    dir.path().string());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.err.empty()) << r.err;
    ASSERT_TRUE(std::filesystem::exists(dir.path() / "9_fmsig.h"));

    const auto wav = ReadWavFile((dir.path() / "_qq.wav").string());
    ASSERT_EQ(wav.sampleRate, 16000);
    // Played to the end: everything is recorded by the time the command exits, but for the
    // last sink block (128 ms) and a margin.
    ASSERT_TRUE(server.WaitForFrames(server.RecordedFrames() + 8000, std::chrono::seconds(5)));
    const auto recording = server.Recording(mark);
    EXPECT_GE(test::FindExactly(recording, wav.samples), 0)
        << "the recording does not hold exactly the data chunk of _qq.wav";
}

TEST(CliSend, ExitsWithOneAndARussianReasonWithoutAServer) {
    test::TempDir dir;
    test::ScopedEnv server("PULSE_SERVER", "unix:" + (dir.path() / "no-server").string());
    const auto r = test::RunProcess(test::CliPath(), {"send"}, dir.path().string());
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, StartsWith("tornel4-cli: нет звукового сервера: "));
    // The files are written before playback is tried.
    EXPECT_TRUE(std::filesystem::exists(dir.path() / "_qq.wav"));
}

}  // namespace
}  // namespace tornel
