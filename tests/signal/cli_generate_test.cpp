// tornel4-cli generate as a process: the files equal an in-process run of the same sends, the
// JSON and text reports, and a file error reported on stderr with status 1.
#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "signal/wav_writer.h"
#include "tests/support/run_process.h"

namespace tornel {
namespace {

namespace fs = std::filesystem;
using test::CliPath;
using test::ReadFile;
using test::RunProcess;
using test::TempDir;

// The packet of the window's design values (see the packet command's tests).
const Packet kDesignPacket{1, 2, 5, 1, 30, 1, 60, 60, 20, 0, 0, 0, 30, 40, 13, 218};

TEST(CliGenerate, RepeatedSendsCarryTheStateOverLikeTheWindow) {
    TempDir dir;
    const auto r = RunProcess(CliPath(), {"generate", "--json", "--dir", dir.path().string(),
                                          "--repeat", "3", "--filter", "on", "--alpha", "35"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["packet"], nlohmann::json(kDesignPacket));
    EXPECT_EQ(j["crc"], "0DDA");
    EXPECT_EQ(j["listings"]["dump"].size(), 16u);
    EXPECT_EQ(j["files"], nlohmann::json({(dir.path() / kWavFileName).string(),
                                          (dir.path() / kCArrayFileName).string()}));

    TempDir mine;
    Synthesizer synth;
    synth.setAlpha(0.35);
    for (int i = 0; i < 3; ++i) {
        WriteWavFile(synth, kDesignPacket, true, mine.path());
    }
    EXPECT_EQ(j["samples"], synth.sampleCount());
    for (const char* name : {kWavFileName, kCArrayFileName}) {
        EXPECT_EQ(ReadFile(dir.path() / name), ReadFile(mine.path() / name)) << name;
    }
}

TEST(CliGenerate, FilterOffAndTextSummary) {
    TempDir dir;
    const auto r = RunProcess(CliPath(), {"generate", "--filter", "off"}, dir.path().string());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("CRC: 0DDA"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("выключен"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find((dir.path() / kWavFileName).string()), std::string::npos) << r.out;

    TempDir mine;
    Synthesizer synth;
    WriteWavFile(synth, kDesignPacket, false, mine.path());
    EXPECT_NE(r.out.find(std::to_string(synth.sampleCount()) + " отсчётов"), std::string::npos);
    EXPECT_EQ(ReadFile(dir.path() / kWavFileName), ReadFile(mine.path() / kWavFileName));
}

TEST(CliGenerate, FileErrorGoesToStderrWithStatusOne) {
    TempDir dir;
    const fs::path missing = dir.path() / "no-such-folder";
    const auto r = RunProcess(CliPath(), {"generate", "--json", "--dir", missing.string()});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Cannot create file \"" + (missing / kWavFileName).string() +
                         "\". No such file or directory\n");
    EXPECT_FALSE(fs::exists(missing));
}

}  // namespace
}  // namespace tornel
