// tornel4-cli packet as a process: output, exit status, and silence on bad input.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "packet/packet.h"
#include "tests/support/run_process.h"

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

}  // namespace
}  // namespace tornel
