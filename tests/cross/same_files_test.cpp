// The same send histories through the native tornel4-cli and the ones built for WebAssembly (run
// by Node) and for 64-bit ARM (run under qemu-user): the printed packet, listings and signal
// length and both files must be the same byte for byte. No stored copies: the native build is
// the reference, whatever the synthesis computes.
#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

#include <nlohmann/json.hpp>
#include <ostream>
#include <string>
#include <vector>

#include "packet/parameter_table.h"
#include "signal/wav_writer.h"
#include "tests/support/run_process.h"

namespace tornel {
namespace {

using test::ReadFile;
using test::RunProcess;
using test::TempDir;

struct Target {
    std::string name;
    std::vector<std::string> command;  // program and leading arguments
};

void PrintTo(const Target& target, std::ostream* out) {
    *out << target.name;
}

std::vector<Target> CrossTargets() {
    return {{"wasm32", {TORNEL_NODE, "--no-experimental-fetch", TORNEL_WASM32_CLI}},
            {"arm64", {TORNEL_QEMU_ARM64, "-L", "/usr/aarch64-linux-gnu", TORNEL_ARM64_CLI}}};
}

// Filter off, and on with the coefficients 0, 0.2 (the design value) and 1, as percent.
const std::vector<std::vector<std::string>> kFilterSettings{{"--filter", "off"},
                                                            {"--filter", "on", "--alpha", "0"},
                                                            {"--filter", "on", "--alpha", "20"},
                                                            {"--filter", "on", "--alpha", "100"}};

// Packet k: every field at a value of its own range (on its step grid, spread differently per
// field) and every box set or clear by a bit of k.
std::vector<std::string> PacketOptions(int k) {
    std::vector<std::string> args;
    std::string p10;
    for (std::size_t i = 0; i < kParameterTable.size(); ++i) {
        const auto& f = kParameterTable[i];
        const int stepsInRange = (f.max - f.min) / f.step + 1;
        const int value = f.min + f.step * ((k * 7 + static_cast<int>(i) * 13) % stepsInRange);
        if (f.member != nullptr) {
            p10 += (p10.empty() ? "" : ",") + std::to_string(value);
        } else {
            args.insert(args.end(), {"--" + ParameterKey(f.parameter), std::to_string(value)});
        }
    }
    args.insert(args.end(), {"--p10", p10});
    std::string enable;
    std::string disable;
    for (std::size_t b = 0; b < kEnablingBoxes.size(); ++b) {
        std::string& list = (k >> b) & 1 ? enable : disable;
        list += (list.empty() ? "" : ",") + std::to_string(kEnablingBoxes[b].parameter);
    }
    for (const auto* list : {&enable, &disable}) {
        if (!list->empty()) {
            args.insert(args.end(), {list == &enable ? "--enable" : "--disable", *list});
        }
    }
    return args;
}

struct Generated {
    nlohmann::json report;  // without the file paths, which name each run's own folder
    std::string wav;
    std::string carray;
};

Generated Generate(const std::vector<std::string>& command, std::vector<std::string> options) {
    TempDir dir;
    std::vector<std::string> args(command.begin() + 1, command.end());
    args.insert(args.end(), {"generate", "--json", "--dir", dir.path().string()});
    args.insert(args.end(), options.begin(), options.end());
    const auto r = RunProcess(command.front(), args);
    EXPECT_EQ(r.status, 0) << command.back() << ": " << r.err;
    Generated g;
    if (r.status == 0) {
        g.report = nlohmann::json::parse(r.out);
        g.report.erase("files");
    }
    g.wav = ReadFile(dir.path() / kWavFileName);
    g.carray = ReadFile(dir.path() / kCArrayFileName);
    return g;
}

void ExpectSame(const Target& target, const std::vector<std::string>& options,
                const std::string& what) {
    const Generated native = Generate({TORNEL_NATIVE_CLI}, options);
    const Generated other = Generate(target.command, options);
    ASSERT_FALSE(native.wav.empty()) << what;
    EXPECT_EQ(other.report, native.report) << target.name << ", " << what;
    EXPECT_TRUE(other.wav == native.wav) << target.name << ": _qq.wav differs, " << what;
    EXPECT_TRUE(other.carray == native.carray) << target.name << ": 9_fmsig.h differs, " << what;
}

class SameFiles : public ::testing::TestWithParam<Target> {};

TEST_P(SameFiles, SixtyPacketsWithEveryFilterSetting) {
    for (int k = 0; k < 60; ++k) {
        auto options = PacketOptions(k);
        const auto& filter = kFilterSettings[static_cast<std::size_t>(k) % kFilterSettings.size()];
        options.insert(options.end(), filter.begin(), filter.end());
        ExpectSame(GetParam(), options, "packet " + std::to_string(k));
    }
}

TEST_P(SameFiles, TwentySendsInOneProcess) {
    for (const auto& filter : {kFilterSettings[0], kFilterSettings[2]}) {
        auto options = PacketOptions(41);
        options.insert(options.end(), {"--repeat", "20"});
        options.insert(options.end(), filter.begin(), filter.end());
        ExpectSame(GetParam(), options, "20 sends, filter " + filter[1]);
    }
}

INSTANTIATE_TEST_SUITE_P(CrossTarget, SameFiles, ::testing::ValuesIn(CrossTargets()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tornel
