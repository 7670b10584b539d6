// tornel4-cli packet as a process: output, exit status, and silence on bad input.
#include <gtest/gtest.h>

#include <fstream>
#include <nlohmann/json.hpp>
#include <random>

#include "packet/packet.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_dir.h"

namespace tornel {
namespace {

using test::CliPath;
using test::RunProcess;

TEST(CliPacket, JsonOfTheDesignValues) {
    const auto r = RunProcess(CliPath(), {"packet", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto j = nlohmann::json::parse(r.out);
    EXPECT_EQ(j["packet"],
              nlohmann::json({1, 2, 5, 1, 30, 1, 60, 60, 20, 0, 0, 0, 30, 40, 13, 218}));
    EXPECT_EQ(j["crc"], "0DDA");
    EXPECT_EQ(j["listings"]["parameters"][0], " 2 -   5");
    EXPECT_EQ(j["listings"]["packet"][15], "15  218");
    EXPECT_EQ(j["listings"]["crc_trace"][13], "13  0DDA");
    EXPECT_EQ(j["listings"]["dump"].size(), 16u);
    EXPECT_EQ(j["listings"]["dump"][0], "  0  01");
}

TEST(CliPacket, OptionsReachThePacket) {
    const auto r = RunProcess(CliPath(), {"packet", "--json", "--enable", "8,9,10", "--p8", "7",
                                          "--p9", "1900", "--p10", "25,24,2"});
    ASSERT_EQ(r.status, 0) << r.err;
    const auto p = nlohmann::json::parse(r.out)["packet"];
    EXPECT_EQ(p[9], 7);
    EXPECT_EQ(p[10], 190);
    EXPECT_EQ(p[11], 250);
    EXPECT_EQ(p[12], 240);
    EXPECT_EQ(p[13], 20);
}

TEST(CliPacket, TextListingsUnderHeadings) {
    const auto r = RunProcess(CliPath(), {"packet"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* line :
         {"Параметры", " 2 -   5\n", "15  218\n", "13  0DDA\n", " 15  DA\n", "нет ошибок"}) {
        EXPECT_NE(r.out.find(line), std::string::npos) << line;
    }
}

TEST(CliPacket, BadInputExitsTwoWithOneLineAndNoOutput) {
    const std::vector<std::vector<std::string>> bad{
        {"packet", "--p10", "30,3,4"},    {"packet", "--p1", "5x"},   {"packet", "--p2"},
        {"packet", "--p4", ""},           {"packet", "--p10", "2,3"}, {"packet", "--enable", "4"},
        {"packet", "--p3", "4294967296"}, {"packet", "--what"},       {}};
    for (const auto& args : bad) {
        const auto r = RunProcess(CliPath(), args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "" : args.back());
        EXPECT_EQ(r.out, "");
        ASSERT_FALSE(r.err.empty());
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;  // exactly one line
    }
}

// The options of a random set: every field and every box.
std::vector<std::string> RandomOptions(std::mt19937& rng) {
    std::vector<std::string> args;
    for (int parameter : ParameterNumbers()) {
        std::string values;
        for (std::size_t i : FieldsOf(parameter)) {
            const auto& f = kParameterTable[i];
            values += (values.empty() ? "" : ",") +
                      std::to_string(std::uniform_int_distribution<int>(f.min, f.max)(rng));
        }
        args.insert(args.end(), {"--" + ParameterKey(parameter), values});
    }
    for (const EnablingBox& box : kEnablingBoxes) {
        args.insert(args.end(),
                    {rng() % 2 ? "--enable" : "--disable", std::to_string(box.parameter)});
    }
    return args;
}

std::vector<std::string> Concat(std::vector<std::string> a, const std::vector<std::string>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A set saved by --save loads back by --load into the same packet; options after --load win.
TEST(CliPacket, SavedSetsLoadBackIntoTheSamePacket) {
    test::TempDir dir;
    const std::string file = (dir.path() / "set.json").string();
    std::mt19937 rng(5);
    for (int round = 0; round < 10; ++round) {
        const auto options = RandomOptions(rng);
        const auto direct = RunProcess(CliPath(), Concat({"packet", "--json"}, options));
        ASSERT_EQ(RunProcess(CliPath(), Concat({"packet", "--save", file}, options)).status, 0);
        const auto loaded = RunProcess(CliPath(), {"packet", "--json", "--load", file});
        ASSERT_EQ(loaded.status, 0) << loaded.err;
        EXPECT_EQ(nlohmann::json::parse(loaded.out)["packet"],
                  nlohmann::json::parse(direct.out)["packet"]);
    }
    const auto overridden =
        RunProcess(CliPath(), {"packet", "--json", "--load", file, "--p1", "77"});
    EXPECT_EQ(nlohmann::json::parse(overridden.out)["packet"][2], 77);
}

TEST(CliPacket, BadSetExitsWithTwoNamingFileAndFieldAndSavesNothing) {
    test::TempDir dir;
    const std::string bad = (dir.path() / "bad.json").string();
    std::ofstream(bad) << "{\"format\": \"tornel4-parameters\", \"version\": 1, "
                          "\"parameters\": {\"p1\": 0}}";
    const std::string out = (dir.path() / "out.json").string();
    const auto r = RunProcess(CliPath(), {"packet", "--load", bad, "--save", out});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "tornel4-cli: --load: файл \"" + bad +
                         "\": поле p1 (порог срабатывания вокса, * 10 мВ): значение 0 вне "
                         "диапазона 1..100\n");
    EXPECT_FALSE(std::filesystem::exists(out));
}

}  // namespace
}  // namespace tornel
