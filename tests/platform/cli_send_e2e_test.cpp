// tornel4-cli send through a real PulseAudio server whose pipe sink records what was played.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include <nlohmann/json.hpp>

#include "platform/sound_level.h"
#include "signal/decoder.h"
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

// Null sinks at their default latency render two seconds ahead and take back whatever a stream
// that ends leaves unplayed: the send waits until its last sample has been played.
TEST(CliSend, PlaysWholeOnAnOutputThatRendersSecondsAhead) {
    if (!PulseServer::Available()) {
        GTEST_SKIP() << "pulseaudio is not installed";
    }
    PulseServer server({.nullSinks = {"card1", "card2"}});
    test::TempDir dir;
    const std::size_t mark = server.Monitor("card2").RecordedFrames();
    const auto r = test::RunProcess(test::CliPath(), {"send", "--device", "card2", "--p1", "9"},
                                    dir.path().string());
    ASSERT_EQ(r.status, 0) << r.err;

    const auto wav = ReadWavFile((dir.path() / "_qq.wav").string());
    const auto& monitor = server.Monitor("card2");
    ASSERT_GE(monitor.WaitForPlayed(mark, wav.samples, std::chrono::seconds(5)), 0)
        << "the monitor did not hear the whole file: " << monitor.PlayedSummary(mark, wav.samples);
    const auto heard = server.Monitor("card2").Recording(mark);
    const std::vector<float> signal(heard.begin() + test::FirstAbove(heard, 0), heard.end());
    const DecodeResult decoded = DecodeSignal(signal, server.rate());
    const std::vector<float> file(wav.samples.begin(), wav.samples.end());
    ASSERT_TRUE(decoded.found) << decoded.reason;
    EXPECT_TRUE(decoded.crcOk);
    EXPECT_EQ(decoded.packet, DecodeSignal(file, wav.sampleRate).packet);
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

// A server with two outputs, "cap" (the default) and "b".
class CliOutputs : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!PulseServer::Available()) {
            GTEST_SKIP() << "pulseaudio is not installed";
        }
        server = std::make_unique<PulseServer>(PulseServer::Options{.moreSinks = {"b"}});
    }

    std::unique_ptr<PulseServer> server;
    test::TempDir dir;
};

TEST_F(CliOutputs, DevicesListsEveryOutputWithTheDefaultMarked) {
    const auto r = test::RunProcess(test::CliPath(), {"devices", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto outputs = nlohmann::json::parse(r.out).at("outputs");
    ASSERT_EQ(outputs.size(), 2u) << r.out;
    for (const auto& output : outputs) {
        const std::string name = output.at("name");
        EXPECT_EQ(output.at("description"), PulseServer::DescriptionOf(name));
        EXPECT_EQ(output.at("default"), name == "cap");
    }
    const auto text = test::RunProcess(test::CliPath(), {"devices"});
    EXPECT_THAT(text.out, HasSubstr("вывод\tb\t" + PulseServer::DescriptionOf("b") + "\n"));
}

// Played on the chosen output only, at the chosen share of the file's amplitude.
TEST_F(CliOutputs, SendPlaysOnTheChosenOutputAtTheChosenLevel) {
    for (const int level : {100, 50, 0}) {
        const std::size_t markA = server->Sink("cap").RecordedFrames();
        const std::size_t markB = server->Sink("b").RecordedFrames();
        const auto r = test::RunProcess(
            test::CliPath(),
            {"send", "--filter", "off", "--device", "b", "--level", std::to_string(level)},
            dir.path().string());
        ASSERT_EQ(r.status, 0) << r.err;
        ASSERT_TRUE(server->Sink("b").WaitForFrames(server->Sink("b").RecordedFrames() + 8000,
                                                    std::chrono::seconds(5)));
        auto expected = ReadWavFile((dir.path() / "_qq.wav").string()).samples;
        for (std::int16_t& s : expected) {  // the share of the file's amplitude, to the nearest
            s = static_cast<std::int16_t>(std::lround(s * level / 100.0));
        }
        const auto onB = server->Sink("b").Recording(markB);
        if (level == 0) {
            EXPECT_EQ(test::FirstAbove(onB, 0), -1) << "level 0 is not silent";
        } else {
            EXPECT_GE(test::FindExactly(onB, expected), 0) << "level " << level;
        }
        EXPECT_EQ(test::FirstAbove(server->Sink("cap").Recording(markA), 0), -1)
            << "the default output played too";
    }
}

TEST_F(CliOutputs, SendToAnUnknownOutputExitsOneNamingTheOutputs) {
    const std::size_t mark = server->RecordedFrames();
    const auto r =
        test::RunProcess(test::CliPath(), {"send", "--device", "nosuch"}, dir.path().string());
    EXPECT_EQ(r.status, 1);
    EXPECT_THAT(r.err, HasSubstr("«nosuch»"));
    EXPECT_THAT(r.err, HasSubstr("cap («" + PulseServer::DescriptionOf("cap") + "»)"));
    EXPECT_THAT(r.err, HasSubstr("b («" + PulseServer::DescriptionOf("b") + "»)"));
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
    server->WaitForFrames(mark + 4000, std::chrono::seconds(2));
    EXPECT_EQ(test::FirstAbove(server->Recording(mark), 0), -1);
}

// A recording of a send loads back (--load) into the fields that made it.
TEST(CliSend, RecordingOfASendLoadsBackIntoItsParameters) {
    if (!PulseServer::Available()) {
        GTEST_SKIP() << "pulseaudio is not installed";
    }
    PulseServer server;
    test::TempDir dir;
    const std::vector<std::string> options{"--p1",   "9",     "--p9",  "1300",      "--enable",
                                           "8,9,10", "--p10", "3,4,5", "--disable", "6"};
    const std::size_t mark = server.RecordedFrames();
    std::vector<std::string> send{"send"};
    send.insert(send.end(), options.begin(), options.end());
    ASSERT_EQ(test::RunProcess(test::CliPath(), send, dir.path().string()).status, 0);
    ASSERT_TRUE(server.WaitForFrames(server.RecordedFrames() + 8000, std::chrono::seconds(5)));
    test::WriteBytes(dir.path() / "rec.wav", test::WavBytes(server.Recording(mark), server.rate()));

    std::vector<std::string> direct{"packet", "--save", "direct.json"};
    direct.insert(direct.end(), options.begin(), options.end());
    ASSERT_EQ(test::RunProcess(test::CliPath(), direct, dir.path().string()).status, 0);
    const auto loaded =
        test::RunProcess(test::CliPath(), {"packet", "--load", "rec.wav", "--save", "loaded.json"},
                         dir.path().string());
    ASSERT_EQ(loaded.status, 0) << loaded.err;
    EXPECT_EQ(test::ReadFile(dir.path() / "loaded.json"),
              test::ReadFile(dir.path() / "direct.json"));
}

}  // namespace
}  // namespace tornel
