// tornel4-cli decode as a process: output, JSON and exit status for good, bad and foreign files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <string>

#include "packet/crc.h"
#include "tests/decoder/recording_lab.h"
#include "tests/support/run_process.h"

namespace tornel {
namespace {

using test::CliPath;
using test::RunProcess;

// A packet with every kind of parameter: parameter 5 off, 9 on, 10 with fractional seconds.
Packet SamplePacket() {
    Packet p = {1, 2, 5, 1, 30, 1, 0, 60, 20, 0, 175, 25, 3, 40, 0, 0};
    const std::uint16_t crc = PacketCrc16(std::span(p).first(14)).crc;
    p[14] = static_cast<std::uint8_t>(crc >> 8);
    p[15] = static_cast<std::uint8_t>(crc & 0xFF);
    return p;
}

class CliDecode : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tornel_cli_decode_" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // Writes the packet's signal as a noisy 22 050 Hz stereo recording.
    std::string Recording(const Packet& packet, const std::string& name) {
        test::Degradation d;
        d.rate = 22050;
        d.clockError = -0.007;
        d.gainDb = -20;
        d.snrDb = 15;
        const auto mono = test::ToInt16(test::Record(test::Synthesize(packet, true), d));
        std::vector<std::int16_t> stereo;
        for (std::int16_t s : mono) {
            stereo.push_back(s);
            stereo.push_back(s);
        }
        test::WavLayout layout;
        layout.rate = 22050;
        layout.channels = 2;
        return test::WriteFile(dir_ / name, test::MakeWav(layout, stereo));
    }

    std::filesystem::path dir_;
};

TEST_F(CliDecode, PrintsThePacketAndParameters) {
    const auto r = RunProcess(CliPath(), {"decode", Recording(SamplePacket(), "good.wav")});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    for (const char* part : {"Пакет: 1 2 5 1 30 1 0 60 20 0 175 25 3 40 ", "(верна)",
                             "максимальное время передачи, с: выкл\n",
                             "частота тона открытия, Гц: 1750\n", "первая посылка PTT, с: 2.5\n",
                             "пауза между посылками, с: 0.3\n", "вторая посылка PTT, с: 4\n"}) {
        EXPECT_NE(r.out.find(part), std::string::npos) << part << "\n" << r.out;
    }
}

TEST_F(CliDecode, Json) {
    const Packet packet = SamplePacket();
    const auto r = RunProcess(CliPath(), {"decode", Recording(packet, "good.wav"), "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["packet"], nlohmann::json(packet));
    EXPECT_EQ(j["crc_ok"], true);
    EXPECT_EQ(j["crc"].get<std::string>().size(), 4u);
    const auto& p = j["parameters"];
    EXPECT_EQ(p["p1"], 5);
    EXPECT_TRUE(p["p5"].is_null());
    EXPECT_EQ(p["p6"], 60);
    EXPECT_TRUE(p["p8"].is_null());
    EXPECT_EQ(p["p9"], 1750);
    EXPECT_DOUBLE_EQ(p["p10"]["first"].get<double>(), 2.5);
    EXPECT_DOUBLE_EQ(p["p10"]["pause"].get<double>(), 0.3);
    EXPECT_EQ(p["p10"]["second"], 4);
}

TEST_F(CliDecode, WrongCrcExitsOne) {
    Packet packet = SamplePacket();
    packet[14] ^= 0x80;
    const auto r = RunProcess(CliPath(), {"decode", Recording(packet, "bad.wav"), "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("контрольная сумма"), std::string::npos) << r.err;
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["crc_ok"], false);
    EXPECT_EQ(j["packet"], nlohmann::json(packet));
}

TEST_F(CliDecode, RecordingWithoutPacketExitsOne) {
    const std::vector<std::int16_t> hum(16000 * 2, 1000);
    const auto path = test::WriteFile(dir_ / "hum.wav", test::MakeWav(test::WavLayout{}, hum));
    const auto r = RunProcess(CliPath(), {"decode", path});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("пакет не найден"), std::string::npos) << r.err;
}

TEST_F(CliDecode, ForeignOrMissingFileExitsTwoWithOneLine) {
    const std::string text = "not a recording\n";
    const auto notWav =
        test::WriteFile(dir_ / "notes.wav", std::vector<std::uint8_t>(text.begin(), text.end()));
    test::WavLayout eightBit;
    eightBit.bits = 8;
    const auto pcm8 = test::WriteFile(dir_ / "pcm8.wav", test::MakeWav(eightBit, {{0, 0}}));
    // A pipe without a writer would block the open for ever; a device is no recording either.
    const std::string fifo = dir_ / "fifo.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path :
         {notWav, pcm8, (dir_ / "missing.wav").string(), fifo, std::string("/dev/zero")}) {
        const auto r = RunProcess(CliPath(), {"decode", path});
        EXPECT_EQ(r.status, 2) << path;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(path), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        if (path == fifo || path == "/dev/zero") {
            EXPECT_NE(r.err.find("не обычный файл"), std::string::npos) << r.err;
        }
    }
}

}  // namespace
}  // namespace tornel
