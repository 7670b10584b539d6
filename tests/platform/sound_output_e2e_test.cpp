// Playing WAV files through a real PulseAudio server whose pipe sink records what was played.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>
#include <thread>

#include "platform/private_module.h"
#include "platform/sound_backend.h"
#include "platform/sound_module.h"
#include "tests/platform/test_wav.h"
#include "tests/support/pulse_server.h"
#include "tests/support/timing.h"

namespace tornel::platform {
namespace {

using test::PulseServer;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// A signal that tells its samples apart: a sweep with a ramp, never zero in its first sample.
std::vector<std::int16_t> TestSignal(int rate, double seconds) {
    std::vector<std::int16_t> s(static_cast<std::size_t>(rate * seconds));
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = static_cast<double>(i) / rate;
        s[i] = static_cast<std::int16_t>(1000 + 20000 * std::sin(2 * M_PI * (300 + 400 * t) * t) +
                                         static_cast<double>(i % 97));
    }
    return s;
}

class SoundOutputTest : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!PulseServer::Available()) {
            GTEST_SKIP() << "pulseaudio is not installed";
        }
    }
    test::TempDir dir_;
};

bool SoundModuleLoaded() {
    const auto path = PrivateModulePath(kSoundModuleFile);
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle != nullptr) {
        dlclose(handle);  // only the reference NOLOAD took
    }
    return handle != nullptr;
}

// The window's backend is made before the first paint: nothing of the sound module may be loaded
// until a call needs sound, and then it plays exactly what the system's backend plays.
TEST_F(SoundOutputTest, BackendLoadedLaterLoadsTheSoundModuleOnlyAtTheFirstSend) {
    PulseServer server;
    const auto signal = TestSignal(16000, 0.25);
    const auto path = dir_.path() / "signal.wav";
    test::WriteBytes(path, test::WavBytes(signal, 16000));

    const auto backend = MakeSoundBackendLoadedLater("tornel-test");
    const auto output = backend->MakeSoundOutput();
    ASSERT_FALSE(SoundModuleLoaded());
    const std::size_t mark = server.RecordedFrames();
    const PlayResult result = output->PlayFile(path.string(), {}, {});
    ASSERT_TRUE(result.played) << result.error;
    EXPECT_TRUE(SoundModuleLoaded());

    ASSERT_TRUE(server.WaitForFrames(server.RecordedFrames() + 4000, std::chrono::seconds(5)));
    EXPECT_GE(test::FindExactly(server.Recording(mark), signal), 0)
        << "the recording does not hold exactly the file's samples";
    EXPECT_EQ(backend->ListDevices(), MakeSystemSoundBackend("tornel-test")->ListDevices());
}

// A module that is missing, or lacks its entry, is named in the reason the commands print.
TEST(PrivateEntry, NamesAMissingModuleAndOneWithoutItsEntry) {
    const struct {
        const char* file;
        const char* entry;
        std::string reason;
    } cases[] = {
        {"tornel4-absent.so", kSoundModuleEntry, "звуковой модуль не загружен: "},
        {kSoundModuleFile, "tornel4_no_such_entry",
         "звуковой модуль повреждён: " + PrivateModulePath(kSoundModuleFile).string()},
    };
    for (const auto& c : cases) {
        try {
            PrivateEntryAddress(c.file, c.entry, "звуковой модуль");
            ADD_FAILURE() << c.file << " " << c.entry << " was loaded";
        } catch (const std::runtime_error& e) {
            EXPECT_THAT(e.what(), StartsWith(c.reason)) << c.file;
        }
    }
}

TEST_F(SoundOutputTest, PlaysEverySampleOfTheFileBeforeReturning) {
    PulseServer server;
    const auto signal = TestSignal(16000, 0.75);
    const auto path = dir_.path() / "signal.wav";
    test::WriteBytes(path, test::WavBytes(signal, 16000));

    std::vector<double> progress;
    const auto output = MakeSystemSoundBackend("tornel-test")->MakeSoundOutput();
    const std::size_t mark = server.RecordedFrames();
    const auto called = Clock::now();
    const PlayResult result =
        output->PlayFile(path.string(), {}, [&](double f) { progress.push_back(f); });
    const auto returned = Clock::now();
    ASSERT_TRUE(result.played) << result.error;
    EXPECT_TRUE(result.error.empty());

    // A little silence after the end shows that nothing more comes.
    ASSERT_TRUE(server.WaitForFrames(server.RecordedFrames() + 4000, std::chrono::seconds(5)));
    const auto recording = server.Recording(mark);
    const long start = test::FindExactly(recording, signal);
    ASSERT_GE(start, 0) << "the recording does not hold exactly the file's samples";

    // The call returned only once the last sample had reached the sink (within a sink block).
    const auto lastSample = server.ArrivalTime(mark + start + signal.size() - 1);
    constexpr double kSlackMs = test::kLoadedMachineSlackSeconds * 1000.0;
    EXPECT_LT(Ms(lastSample - returned), 128.0 + kSlackMs);
    EXPECT_GE(Ms(returned - called), 750.0 - kSlackMs);

    ASSERT_FALSE(progress.empty());
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_DOUBLE_EQ(progress.back(), 1.0);
    EXPECT_GE(progress.size(), 5u) << "progress must be reported while the sound plays";

    std::cout << "[measure] PlayFile call to first sample at the sink: "
              << Ms(server.ArrivalTime(mark + start) - called) << " ms (sink block 128 ms)\n";
}

TEST_F(SoundOutputTest, PlaysStereoAndOtherRates) {
    PulseServer server({.rate = 16000, .channels = 2});
    std::vector<std::int16_t> stereo;
    for (int i = 0; i < 8000; ++i) {
        stereo.push_back(static_cast<std::int16_t>(5000 + i));
        stereo.push_back(static_cast<std::int16_t>(-5000 - i));
    }
    const auto path = dir_.path() / "stereo.wav";
    test::WriteBytes(path, test::WavBytes(stereo, 16000, 2));
    const std::size_t mark = server.RecordedFrames();
    const PlayResult result =
        MakeSystemSoundBackend("tornel-test")->MakeSoundOutput()->PlayFile(path.string(), {}, {});
    ASSERT_TRUE(result.played) << result.error;
    ASSERT_TRUE(server.WaitForFrames(server.RecordedFrames() + 4000, std::chrono::seconds(5)));
    const auto left = server.Recording(mark, 0);
    const auto right = server.Recording(mark, 1);
    const long l = test::FirstAbove(left, 0);
    ASSERT_GE(l, 0);
    EXPECT_EQ(left[l], 5000);
    EXPECT_EQ(right[l], -5000);
    EXPECT_EQ(test::EndAbove(left, 0) - l, 8000);
}

TEST_F(SoundOutputTest, FailsFastWithAReasonWhenNoServerRuns) {
    test::ScopedEnv server("PULSE_SERVER", "unix:" + (dir_.path() / "no-server").string());
    const auto path = dir_.path() / "signal.wav";
    test::WriteBytes(path, test::WavBytes(TestSignal(16000, 0.1), 16000));
    const auto called = Clock::now();
    const PlayResult result =
        MakeSystemSoundBackend("tornel-test")->MakeSoundOutput()->PlayFile(path.string(), {}, {});
    const auto took = Clock::now() - called;
    EXPECT_FALSE(result.played);
    EXPECT_THAT(result.error, StartsWith("нет звукового сервера: "));
    EXPECT_LT(took, std::chrono::seconds(5)) << "a missing server must not hang the call";
    std::cout << "[measure] PlayFile with no server returned after " << Ms(took) << " ms\n";
}

TEST_F(SoundOutputTest, GivesUpOnAServerThatDoesNotAnswer) {
    PulseServer server;
    const auto path = dir_.path() / "signal.wav";
    test::WriteBytes(path, test::WavBytes(TestSignal(16000, 0.1), 16000));
    kill(server.pid(), SIGSTOP);
    const auto called = Clock::now();
    const PlayResult result =
        MakeSystemSoundBackend("tornel-test")->MakeSoundOutput()->PlayFile(path.string(), {}, {});
    const auto took = Clock::now() - called;
    kill(server.pid(), SIGCONT);
    EXPECT_FALSE(result.played);
    EXPECT_THAT(result.error, HasSubstr("не отвечает"));
    EXPECT_LT(took, std::chrono::seconds(5));
    std::cout << "[measure] PlayFile with a stopped server returned after " << Ms(took) << " ms\n";
}

// The test server's own pactl calls have a time limit too: a stopped server fails them.
TEST_F(SoundOutputTest, TestServerControlGivesUpOnAStoppedServer) {
    PulseServer server;
    kill(server.pid(), SIGSTOP);
    const auto called = Clock::now();
    EXPECT_THROW(server.Pactl({"list", "short", "sinks"}), std::runtime_error);
    const auto took = Clock::now() - called;
    kill(server.pid(), SIGCONT);
    EXPECT_LT(took, std::chrono::seconds(10));
}

TEST_F(SoundOutputTest, GivesUpWhenTheServerStopsDuringPlayback) {
    PulseServer server;
    const auto path = dir_.path() / "signal.wav";
    test::WriteBytes(path, test::WavBytes(TestSignal(16000, 0.5), 16000));
    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        kill(server.pid(), SIGSTOP);
    });
    const auto called = Clock::now();
    const PlayResult result =
        MakeSystemSoundBackend("tornel-test")->MakeSoundOutput()->PlayFile(path.string(), {}, {});
    const auto took = Clock::now() - called;
    stopper.join();
    kill(server.pid(), SIGCONT);
    EXPECT_FALSE(result.played);
    EXPECT_THAT(result.error, StartsWith("воспроизведение прервано"));
    EXPECT_LT(took, std::chrono::seconds(10));
}

// The sink hands samples over in blocks of 4096 bytes: 48 kHz with 8 channels makes them 5.3 ms.
TEST_F(SoundOutputTest, MeasuresTimeToFirstSample) {
    PulseServer server({.rate = 48000, .channels = 8});
    const auto path = dir_.path() / "signal.wav";
    test::WriteBytes(path, test::WavBytes(TestSignal(16000, 0.2), 16000));
    const auto output = MakeSystemSoundBackend("tornel-test")->MakeSoundOutput();
    std::vector<double> delays;
    for (int i = 0; i < 5; ++i) {
        const std::size_t mark = server.RecordedFrames();
        const auto called = Clock::now();
        ASSERT_TRUE(output->PlayFile(path.string(), {}, {}).played);
        ASSERT_TRUE(server.WaitForFrames(server.RecordedFrames() + 4800, std::chrono::seconds(5)));
        const long first = test::FirstAbove(server.Recording(mark), 100);
        ASSERT_GE(first, 0);
        delays.push_back(Ms(server.ArrivalTime(mark + first) - called));
    }
    std::sort(delays.begin(), delays.end());
    std::cout << "[measure] PlayFile call to first sample at the sink: min " << delays.front()
              << " ms, median " << delays[2] << " ms, max " << delays.back() << " ms\n";
}

TEST_F(SoundOutputTest, ReportsAMissingOutputDevice) {
    PulseServer server;
    server.Pactl({"unload-module", "module-pipe-sink"});
    const auto path = dir_.path() / "signal.wav";
    test::WriteBytes(path, test::WavBytes(TestSignal(16000, 0.1), 16000));
    const auto called = Clock::now();
    const PlayResult result =
        MakeSystemSoundBackend("tornel-test")->MakeSoundOutput()->PlayFile(path.string(), {}, {});
    EXPECT_FALSE(result.played);
    EXPECT_THAT(result.error, HasSubstr("устройства вывода"));
    EXPECT_LT(Clock::now() - called, std::chrono::seconds(5));
}

TEST_F(SoundOutputTest, ReportsAnUnreadableFileWithoutTouchingTheServer) {
    test::ScopedEnv server("PULSE_SERVER", "unix:" + (dir_.path() / "no-server").string());
    const PlayResult missing = MakeSystemSoundBackend("tornel-test")
                                   ->MakeSoundOutput()
                                   ->PlayFile((dir_.path() / "_qq.wav").string(), {}, {});
    EXPECT_FALSE(missing.played);
    EXPECT_THAT(missing.error, HasSubstr("_qq.wav"));
    EXPECT_THAT(missing.error, HasSubstr("не удаётся открыть файл"));

    // A file cut short is not played as if it were whole.
    auto bytes = test::WavBytes(std::vector<std::int16_t>(1600, 1000), 16000);
    bytes.resize(bytes.size() - 100);
    test::WriteBytes(dir_.path() / "cut.wav", bytes);
    const PlayResult cut = MakeSystemSoundBackend("tornel-test")
                               ->MakeSoundOutput()
                               ->PlayFile((dir_.path() / "cut.wav").string(), {}, {});
    EXPECT_FALSE(cut.played);
    EXPECT_THAT(cut.error, HasSubstr("обрезан"));
}

}  // namespace
}  // namespace tornel::platform
