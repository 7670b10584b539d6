// tornel4-cli listen through a real PulseAudio server whose pipe source hears what the test
// writes into it (faster than real time): recordings at the rates and levels a sound card gives.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <iostream>
#include <nlohmann/json.hpp>
#include <random>
#include <span>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/decoder/recording_lab.h"
#include "tests/support/pulse_server.h"
#include "tests/support/run_process.h"

namespace tornel {
namespace {

using test::PulseServer;

class CliListen : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!PulseServer::Available()) {
            GTEST_SKIP() << "pulseaudio is not installed";
        }
    }

    // Runs listen with `args` while `input` is fed into the server's input once it records.
    static test::ProcessResult Listen(const PulseServer& server,
                                      const std::vector<std::int16_t>& input,
                                      std::vector<std::string> args) {
        return ListenWhile(
            server, [&] { server.FeedInput(input); }, std::move(args));
    }

    // Runs listen with `args` while `feed` feeds the server's input once it records.
    template <typename Feed>
    static test::ProcessResult ListenWhile(const PulseServer& server, Feed feed,
                                           std::vector<std::string> args) {
        std::thread feeder([&] {
            if (server.WaitForRecorder(std::chrono::seconds(10))) {
                feed();
            }
        });
        args.insert(args.begin(), "listen");
        test::ProcessResult r = test::RunProcess(test::CliPath(), args);
        feeder.join();
        return r;
    }
};

struct HeardCase {
    const char* name;
    int rate;
    double gainDb;
    double snrDb;
};

TEST_F(CliListen, HearsRecordingsAtTheRatesAndLevelsOfASoundCard) {
    const HeardCase cases[] = {{"48 kHz, 10 dB SNR", 48000, 0.0, 10.0},
                               {"44.1 kHz, 10 dB SNR", 44100, 0.0, 10.0},
                               {"48 kHz at -30 dB, 10 dB SNR", 48000, -30.0, 10.0}};
    std::mt19937 rng(4);
    for (const HeardCase& c : cases) {
        PulseServer server({.input = true, .inputRate = c.rate});
        const Packet packet = test::RandomPacket(rng);
        test::Degradation d;
        d.rate = c.rate;
        d.gainDb = c.gainDb;
        d.snrDb = c.snrDb;
        d.clockError = 0.004;
        d.silenceBefore = 1.25;
        d.seed = rng();
        const auto input = test::ToInt16(test::Record(test::Synthesize(packet, true), d));
        const auto started = std::chrono::steady_clock::now();
        const auto r = Listen(server, input, {"--json", "--count", "1", "--seconds", "30"});
        ASSERT_EQ(r.status, 0) << c.name << ": " << r.err;
        // Ends with its one packet, not with its time (a bound against waiting out the 30 s).
        EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(15)) << c.name;
        const auto j = nlohmann::json::parse(r.out);
        EXPECT_EQ(j["packet"].get<Packet>(), packet) << c.name;
        EXPECT_TRUE(j["crc_ok"].get<bool>()) << c.name;
        EXPECT_NEAR(j["time"].get<double>(), d.silenceBefore, 0.02) << c.name;
        EXPECT_NEAR(j["level"].get<double>(), std::pow(10.0, c.gainDb / 20.0) * 30000 / 32768,
                    0.2 * std::pow(10.0, c.gainDb / 20.0))
            << c.name;
    }
}

TEST_F(CliListen, PrintsOneLinePerPacketAndExitsOneWithoutAGoodOne) {
    PulseServer server({.input = true});
    std::mt19937 rng(8);
    Packet bad = test::RandomPacket(rng);
    bad[15] ^= 0x40;
    const auto first = test::Synthesize(test::RandomPacket(rng), true);
    const auto second = test::Synthesize(bad, false);
    std::vector<std::int16_t> input(server.rate(), 0);
    input.insert(input.end(), first.begin(), first.end());
    input.insert(input.end(), server.rate(), 0);
    input.insert(input.end(), second.begin(), second.end());
    input.insert(input.end(), server.rate(), 0);
    const double seconds = static_cast<double>(input.size()) / server.rate();

    const auto both = Listen(server, input, {"--seconds", std::to_string(int(seconds))});
    ASSERT_EQ(both.status, 0) << both.err;
    std::istringstream lines(both.out);
    std::string line;
    std::vector<std::string> heard;
    while (std::getline(lines, line)) {
        heard.push_back(line);
    }
    ASSERT_EQ(heard.size(), 2u) << both.out;
    EXPECT_NE(heard[0].find("(верна)"), std::string::npos) << heard[0];
    EXPECT_NE(heard[1].find("(неверна"), std::string::npos) << heard[1];

    const std::vector<std::int16_t> badOnly(second.begin(), second.end());
    EXPECT_EQ(Listen(server, badOnly, {"--count", "1", "--seconds", "10"}).status, 1);
    EXPECT_EQ(test::RunProcess(test::CliPath(), {"listen", "--seconds", "0"}).status, 2);
    EXPECT_EQ(
        test::RunProcess(test::CliPath(), {"listen", "--count", "0", "--seconds", "1"}).status, 2);
    EXPECT_EQ(test::RunProcess(test::CliPath(), {"listen", "--p1", "5"}).status, 2);
}

// --device names the input listened to: here not the server's default, which hears nothing.
TEST_F(CliListen, ListensToTheInputNamedByDevice) {
    PulseServer server({.input = true});
    server.Pactl({"load-module", "module-null-source", "source_name=quiet"});
    server.Pactl({"set-default-source", "quiet"});
    std::mt19937 rng(6);
    const Packet packet = test::RandomPacket(rng);
    const auto input = test::ToInt16(test::Record(test::Synthesize(packet, true), {}));
    const auto r =
        Listen(server, input, {"--device", "mic", "--json", "--count", "1", "--seconds", "10"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(nlohmann::json::parse(r.out)["packet"].get<Packet>(), packet);
}

// devices lists the inputs beside the outputs, the server's default input marked.
TEST_F(CliListen, DevicesListsTheInputsBesideTheOutputs) {
    PulseServer server({.input = true});
    const auto r = test::RunProcess(test::CliPath(), {"devices", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto inputs = nlohmann::json::parse(r.out).at("inputs");
    ASSERT_EQ(inputs.size(), 1u) << r.out;
    EXPECT_EQ(inputs[0].at("name"), "mic");
    EXPECT_EQ(inputs[0].at("default"), true);
    const auto text = test::RunProcess(test::CliPath(), {"devices"});
    EXPECT_NE(text.out.find("ввод\tmic\t"), std::string::npos) << text.out;
}

// The largest resident size of the child processes waited for so far, in kilobytes.
long LargestChildKb() {
    rusage usage{};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_maxrss;
}

// An hour of 8 kHz input, fed faster than real time: quiet noise with a packet every five
// minutes. listen reports every one of them and needs no more memory than for ten minutes of
// noise fed the same way (which fill the sound server's buffers as much).
TEST_F(CliListen, HearsEveryPacketOfAnHourWithFlatMemory) {
    constexpr int kRate = 8000;
    PulseServer server({.input = true, .inputRate = kRate});
    std::mt19937 rng(12);
    std::vector<Packet> packets;
    std::vector<std::vector<std::int16_t>> signals;
    for (int i = 0; i < 12; ++i) {
        packets.push_back(test::RandomPacket(rng));
        test::Degradation d;
        d.rate = kRate;
        d.gainDb = -6.0 * (i % 4);
        d.snrDb = 20.0;
        d.silenceBefore = 0.0;
        d.silenceAfter = 0.0;
        d.seed = rng();
        signals.push_back(test::ToInt16(test::Record(test::Synthesize(packets.back(), true), d)));
    }
    // At most this many times faster than real time. The server hands recorded samples to its
    // client without waiting for it and drops what its buffer of a few megabytes (some four
    // minutes at 8 kHz) cannot hold, so a feed that outruns the listener for long, as when a
    // loaded machine pauses it, would lose samples and listen would wait for them in vain. At
    // this speed a pause of two seconds is still taken up.
    constexpr double kSpeedup = 100.0;
    constexpr std::size_t kPiece = 10 * kRate;
    auto feedPaced = [&](std::span<const std::int16_t> samples) {
        const auto start = std::chrono::steady_clock::now();
        for (std::size_t at = 0; at < samples.size(); at += kPiece) {
            const auto piece = samples.subspan(at, std::min(kPiece, samples.size() - at));
            if (!server.FeedInput(piece)) {
                return false;
            }
            std::this_thread::sleep_until(
                start + std::chrono::duration<double>((at + piece.size()) / (kRate * kSpeedup)));
        }
        return true;
    };
    // Blocks of `minutes` of noise, block `b` with packet `b` a minute in if `withPackets`.
    auto feedMinutes = [&](int blocks, int minutes, bool withPackets) {
        std::normal_distribution<float> noise(0.0f, 30.0f);
        std::vector<std::int16_t> block(static_cast<std::size_t>(minutes * 60 * kRate));
        for (int b = 0; b < blocks; ++b) {
            for (auto& v : block) {
                v = static_cast<std::int16_t>(std::lround(noise(rng)));
            }
            if (withPackets) {
                std::copy(signals[b].begin(), signals[b].end(), block.begin() + 60 * kRate);
            }
            ASSERT_TRUE(feedPaced(block)) << "block " << b;
        }
    };
    const auto tenMinutes =
        ListenWhile(server, [&] { feedMinutes(2, 5, false); }, {"--seconds", "600", "--json"});
    EXPECT_EQ(tenMinutes.status, 1) << tenMinutes.err;
    const long tenMinutesKb = LargestChildKb();

    const auto hour =
        ListenWhile(server, [&] { feedMinutes(12, 5, true); }, {"--seconds", "3600", "--json"});
    ASSERT_EQ(hour.status, 0) << hour.err;
    std::istringstream lines(hour.out);
    std::string line;
    std::size_t heard = 0;
    while (std::getline(lines, line)) {
        const auto j = nlohmann::json::parse(line);
        ASSERT_LT(heard, packets.size()) << line;
        EXPECT_EQ(j["packet"].get<Packet>(), packets[heard]) << line;
        EXPECT_TRUE(j["crc_ok"].get<bool>()) << line;
        EXPECT_NEAR(j["time"].get<double>(), 300.0 * static_cast<double>(heard) + 60.0, 0.02);
        ++heard;
    }
    EXPECT_EQ(heard, packets.size());
    // The hour's largest resident size stays within 16 MB of that of the ten minutes: the sound
    // server's client buffers vary by a few megabytes with the timing of the feed, while
    // keeping the hour's input would take over 100 MB.
    EXPECT_LE(LargestChildKb(), tenMinutesKb + 16 * 1024);
    std::cout << "[measure] listen's largest resident size: ten minutes " << tenMinutesKb
              << " KB, an hour " << LargestChildKb() << " KB\n";
}

}  // namespace
}  // namespace tornel
