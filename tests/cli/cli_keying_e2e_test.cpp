// tornel4-cli keying a real rigctld (hamlib's dummy rig): around a send through the private sound
// server, in the carrier pattern, and released on SIGTERM and Ctrl-C.

#include <signal.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <sstream>
#include <thread>

#include "ptt/ptt_choice.h"
#include "tests/support/keyed_send_check.h"
#include "tests/support/run_process.h"
#include "tests/support/temp_dir.h"
#include "trainer/ptt_trainer.h"

namespace tornel {
namespace {

using ::testing::HasSubstr;
using namespace std::chrono_literals;

class CliKeying : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!test::RigctldServer::Available() || !test::PulseServer::Available()) {
            GTEST_SKIP() << "rigctld or pulseaudio is not installed";
        }
        rig = std::make_unique<test::RigctldServer>();
    }
    std::vector<std::string> Command(const char* name, std::vector<std::string> more = {}) const {
        std::vector<std::string> args{name, "--ptt", rig->Choice()};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    std::unique_ptr<test::RigctldServer> rig;
    test::TempDir dir;
};

TEST_F(CliKeying, SendIsKeyedByTheDelayBeforeItsFirstSampleAndReleasedByTheTailAfterItsLast) {
    // 48 kHz stereo: the sink hands its samples out every 21 ms.
    test::PulseServer server({.rate = 48000, .channels = 2});
    const ptt::KeyingTimes times{.txDelayMs = 300, .txTailMs = 300};
    const std::size_t mark = server.RecordedFrames();
    const auto r = test::RunProcess(test::CliPath(),
                                    Command("send", {"--tx-delay", std::to_string(times.txDelayMs),
                                                     "--tx-tail", std::to_string(times.txTailMs)}),
                                    dir.path().string());
    ASSERT_EQ(r.status, 0) << r.err;
    test::ExpectKeyedAroundTheFile(*rig, server, mark, times);
}

// Each edge printed just past the trainer's own edge, and keyed on the rig when printed.
TEST_F(CliKeying, PatternKeysAndPrintsEachEdgeInStepWithTheTrainer) {
    // In step means no edge lost, early or a phase off: the shortest phase is 2 s, and half a
    // second holds on a loaded machine. How close the edges come is measured by `make bench`.
    constexpr double kInStepSeconds = 0.5;
    const auto r = test::RunProcess(test::CliPath(), Command("pattern", {"--p10", "2,2,3"}));
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(rig->WaitFor(false, 5s));
    const auto clock = platform::MakeSteadyClock();  // drawing the pattern does not read it
    PttTrainer trainer(*clock);
    trainer.Redraw(2, 2, 3);
    const double edges[] = {0.0, double(trainer.PttEnd1()), double(trainer.PauseEnd()),
                            double(trainer.PttEnd2())};
    std::istringstream lines(r.out);
    std::vector<double> printed;
    for (std::string line; std::getline(lines, line);) {
        SCOPED_TRACE(line);
        const std::size_t i = printed.size();
        ASSERT_LT(i, 4u);
        printed.push_back(std::stod(line));
        EXPECT_THAT(line, HasSubstr(i % 2 == 0 ? " PTT нажата" : " PTT отпущена"));
        EXPECT_GE(printed[i], edges[i]);  // printed to the millisecond
        EXPECT_LE(printed[i], edges[i] + kInStepSeconds);
    }
    ASSERT_EQ(printed.size(), 4u) << r.out;
    const auto changes = rig->Changes();
    ASSERT_EQ(changes.size(), 5u);  // released, then the four edges
    for (std::size_t i = 1; i < 4; ++i) {
        const std::chrono::duration<double> seen = changes[i + 1].seen - changes[1].seen;
        EXPECT_NEAR(seen.count(), printed[i] - printed[0], kInStepSeconds) << i;
    }
}

// Whichever of the two signals comes, mid-send or mid-pattern: released, and the status says so.
TEST_F(CliKeying, SigtermOrCtrlCWhileKeyedReleasesAndEndsTheCommand) {
    test::PulseServer server;
    const struct {
        const char* command;
        int signal;
    } cases[] = {{"send", SIGTERM}, {"pattern", SIGINT}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        test::StartedProcess cli(test::CliPath(), Command(c.command), dir.path().string());
        ASSERT_TRUE(rig->WaitFor(true, 10s));
        std::this_thread::sleep_for(200ms);
        cli.Signal(c.signal);
        const auto r = cli.Wait();
        EXPECT_EQ(r.status, 128 + c.signal) << r.err;
        EXPECT_THAT(r.err, HasSubstr("передатчик отпущен"));
        // CAT and rigctld keep the last state they were told: only a release can have done this.
        EXPECT_TRUE(rig->WaitFor(false, 2s));
    }
}

TEST(CliKeyingRefused, ABadChoiceExitsTwoAndAnUnreachableTransmitterOneWithNothingPlayed) {
    if (!test::PulseServer::Available()) {
        GTEST_SKIP() << "pulseaudio is not installed";
    }
    test::PulseServer server;
    test::TempDir dir;
    // Port 1 on localhost: nobody listens there.
    const struct {
        std::vector<std::string> args;
        int status;
        const char* message;
    } cases[] = {
        {{"send", "--ptt", "bogus:1"}, 2, "--ptt: неверное значение \"bogus:1\""},
        {{"pattern", "--ptt", "rts:"}, 2, "--ptt: неверное значение \"rts:\""},
        {{"send", "--ptt", "rigctld:127.0.0.1:1"},
         1,
         "tornel4-cli: сигнал не выдан: rigctld 127.0.0.1:1: нет связи"},
        {{"pattern", "--ptt", "rigctld:127.0.0.1:1"},
         1,
         "tornel4-cli: передатчик не включается: rigctld 127.0.0.1:1: нет связи"},
    };
    const std::size_t mark = server.RecordedFrames();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[2]);
        const auto r = test::RunProcess(test::CliPath(), c.args, dir.path().string());
        EXPECT_EQ(r.status, c.status);
        EXPECT_THAT(r.err, HasSubstr(c.message));
        if (c.status == 2) {
            EXPECT_THAT(r.err, HasSubstr(ptt::kPttChoiceForms));
        }
        EXPECT_EQ(r.out, "");  // no edge of a pattern
    }
    server.WaitForFrames(server.RecordedFrames() + 4000, 2s);
    EXPECT_EQ(test::FirstAbove(server.Recording(mark), 0), -1) << "something was played";
}

}  // namespace
}  // namespace tornel
