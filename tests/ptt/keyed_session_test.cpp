#include "ptt/keyed_session.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <thread>

#include "ptt/background_keying.h"
#include "ptt/keyed_play.h"
#include "ptt/pattern_keying.h"
#include "tests/ptt/fake_transmitter.h"
#include "tests/support/fake_clock.h"

namespace tornel::ptt {
namespace {

using test::FakeTransmitter;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using namespace std::chrono_literals;

const Wait kNoWait = [](std::chrono::milliseconds) {};

template <class Done>
void Await(Done done) {
    for (int i = 0; i < 500 && !done(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
}

// The end of the session, Close (for good) and a key that failed all leave it released.
TEST(KeyedSession, ReleasesAtItsEndAtCloseAndAfterAFailedKey) {
    FakeTransmitter ended, closed, refusing;
    refusing.refuseKey = true;
    {
        KeyedSession session(ended, 10s);
        session.Key();
        KeyedSession failed(refusing, 10s);
        EXPECT_THROW(failed.Key(), PttError);
    }
    KeyedSession session(closed, 10s);
    session.Key();
    session.Close();
    EXPECT_FALSE(session.keyed());
    EXPECT_THROW(session.Key(), PttError);
    EXPECT_THAT(ended.Levels(), ElementsAre(true, false));
    EXPECT_THAT(closed.Levels(), ElementsAre(true, false));
    EXPECT_THAT(refusing.Levels(), ElementsAre(false));
}

// A play stuck past the limit: released no sooner than the limit, reported naming the
// transmitter, and the session keys no more.
TEST(KeyedPlay, TheWatchdogReleasesAtTheLimitReportsItAndRefusesToKeyAgain) {
    FakeTransmitter tx;
    const auto limit = 200ms;
    const auto start = std::chrono::steady_clock::now();
    KeyedSession session(tx, limit);
    const auto result = KeyedPlay<int>(session, {}, kNoWait, [&] {
        Await([&] { return session.expired(); });
        return 1;
    });
    EXPECT_THAT(result.limitError, HasSubstr(tx.label + ": предельное время передачи истекло"));
    const auto edges = tx.Edges();
    ASSERT_EQ(edges.size(), 2u);
    EXPECT_FALSE(edges[1].keyed);
    EXPECT_GE(edges[1].at - start, limit);
    EXPECT_THROW(session.Key(), PttError);
    EXPECT_EQ(tx.Edges().size(), 2u);

    KeyedSession inTime(tx, 10s);
    EXPECT_EQ(KeyedPlay<int>(inTime, {}, kNoWait, [] { return 1; }).limitError, "");
}

TEST(KeyedPlay, PlaysNothingWhenTheKeyFailsAndReleasesWhenThePlayThrows) {
    FakeTransmitter refusing;
    refusing.refuseKey = true;
    KeyedSession refused(refusing, 10s);
    bool played = false;
    EXPECT_THROW(KeyedPlay<int>(refused, {}, kNoWait, [&] { return played = true, 0; }), PttError);
    EXPECT_FALSE(played);

    FakeTransmitter tx;
    KeyedSession session(tx, 10s);
    EXPECT_THROW(
        KeyedPlay<int>(session, {}, kNoWait, []() -> int { throw std::runtime_error("x"); }),
        std::runtime_error);
    EXPECT_THAT(tx.Levels(), ElementsAre(true, false));

    FakeTransmitter stuck;
    stuck.refuseRelease = true;
    KeyedSession stuckSession(stuck, 10s);
    const auto stuckResult = KeyedPlay<int>(stuckSession, {}, kNoWait, [] { return 1; });
    EXPECT_EQ(stuckResult.played, 1);
    EXPECT_EQ(stuckResult.releaseError, stuck.label + ": отказ");
}

// The whole file plays, not just the signal in it; a part of a millisecond counts whole.
TEST(SendLimit, IsTheDelayTheFileTheTailAndTheMargin) {
    EXPECT_EQ(SendLimit({.txDelayMs = 300, .txTailMs = 100}, 4 * 16000 + 1, 16000),
              std::chrono::milliseconds(300 + 4001 + 100) + kHardLimitMargin);
}

// The pattern keyed on the fake clock: each edge at the first reading past the trainer's own edge.
TEST(KeyPattern, KeysExactlyInThePatternsTransmitPhases) {
    platform::FakeClock clock(platform::Seconds{500.0});
    PttTrainer trainer(clock);
    trainer.Redraw(2, 3, 4);
    FakeTransmitter tx;
    KeyedSession session(tx, 1h);
    std::vector<PatternEdge> edges;
    KeyPattern(trainer, clock, session, [&](const PatternEdge& e) { edges.push_back(e); });

    const double expected[] = {0.0, static_cast<double>(trainer.PttEnd1()),
                               static_cast<double>(trainer.PauseEnd()),
                               static_cast<double>(trainer.PttEnd2())};
    ASSERT_EQ(edges.size(), 4u);
    for (std::size_t i = 0; i < edges.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(edges[i].keyed, i % 2 == 0);
        EXPECT_GT(edges[i].patternTime, expected[i]);
        EXPECT_LE(edges[i].patternTime, expected[i] + 0.0015);
    }
    EXPECT_THAT(tx.Levels(), ElementsAre(true, false, true, false));
    EXPECT_FALSE(trainer.IsRunning());
    EXPECT_EQ(PatternLimit(trainer), std::chrono::milliseconds((2 + 9) * 1000) + kHardLimitMargin);

    tx.refuseKey = true;
    KeyedSession refused(tx, 1h);
    EXPECT_THROW(KeyPattern(trainer, clock, refused, [](const PatternEdge&) {}), PttError);
    EXPECT_FALSE(trainer.IsRunning());
    EXPECT_FALSE(refused.keyed());
}

// The thread keys in the order asked; a failure waits for the caller; the end releases.
TEST(BackgroundKeying, KeysAsAskedReportsAFailureAndReleasesAtItsEnd) {
    FakeTransmitter tx;
    {
        BackgroundKeying keying(std::make_unique<test::ForwardingTransmitter>(tx), 10s);
        keying.Follow(true);
        Await([&] { return !tx.Levels().empty(); });
        EXPECT_THAT(tx.Levels(), ElementsAre(true));
        keying.Release();
        EXPECT_THAT(tx.Levels(), ElementsAre(true, false));

        tx.refuseKey = true;
        keying.Follow(true);
        std::optional<std::string> error;
        Await([&] { return (error = keying.TakeError()).has_value(); });
        EXPECT_EQ(error, tx.label + ": отказ");
        EXPECT_EQ(keying.TakeError(), std::nullopt);
        tx.refuseKey = false;
    }
    // The failed key counts as keyed: the end released it once more.
    EXPECT_THAT(tx.Levels(), ElementsAre(true, false, false));
}

}  // namespace
}  // namespace tornel::ptt
