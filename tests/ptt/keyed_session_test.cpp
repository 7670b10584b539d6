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

TEST(KeyedSession, ReleasesWhenItEndsKeyed) {
    FakeTransmitter tx;
    {
        KeyedSession session(tx, 10s);
        session.Key();
        EXPECT_TRUE(session.keyed());
    }
    EXPECT_THAT(tx.Levels(), ElementsAre(true, false));
}

TEST(KeyedSession, TheWatchdogReleasesAtTheLimitAndRefusesToKeyAgain) {
    FakeTransmitter tx;
    const auto limit = 200ms;
    const auto start = std::chrono::steady_clock::now();
    KeyedSession session(tx, limit);
    session.Key();
    // Whatever the caller does meanwhile (here: nothing, until the watchdog has acted).
    for (int i = 0; i < 500 && !session.expired(); ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(session.expired());
    EXPECT_FALSE(session.keyed());
    const auto edges = tx.Edges();
    ASSERT_EQ(edges.size(), 2u);
    EXPECT_FALSE(edges[1].keyed);
    EXPECT_GE(edges[1].at - start, limit);
    EXPECT_THROW(session.Key(), PttError);
    EXPECT_EQ(tx.Edges().size(), 2u);
}

// For a process about to end: nothing keys between the release and the end.
TEST(KeyedSession, CloseReleasesForGood) {
    FakeTransmitter tx;
    KeyedSession session(tx, 10s);
    session.Key();
    session.Close();
    EXPECT_FALSE(session.keyed());
    EXPECT_THROW(session.Key(), PttError);
    EXPECT_THAT(tx.Levels(), ElementsAre(true, false));
}

TEST(KeyedSession, AKeyThatFailsIsReleasedAllTheSame) {
    FakeTransmitter tx;
    tx.refuseKey = true;
    {
        KeyedSession session(tx, 10s);
        EXPECT_THROW(session.Key(), PttError);
        EXPECT_TRUE(session.keyed());
    }
    EXPECT_THAT(tx.Levels(), ElementsAre(false));
}

// The order of a keyed send, the waits as asked for and the play between them.
TEST(KeyedPlay, KeysWaitsTheDelayPlaysWaitsTheTailAndReleases) {
    FakeTransmitter tx;
    KeyedSession session(tx, 10s);
    std::vector<std::string> steps;
    const KeyingTimes times{.txDelayMs = 250, .txTailMs = 75};
    const Wait wait = [&](std::chrono::milliseconds span) {
        steps.push_back((session.keyed() ? "keyed wait " : "wait ") + std::to_string(span.count()));
    };
    const auto result = KeyedPlay<int>(session, times, wait, [&] {
        steps.push_back("play");
        return 7;
    });
    EXPECT_EQ(result.played, 7);
    EXPECT_TRUE(result.releaseError.empty());
    EXPECT_THAT(steps, ElementsAre("keyed wait 250", "play", "keyed wait 75"));
    EXPECT_THAT(tx.Levels(), ElementsAre(true, false));
}

TEST(KeyedPlay, PlaysNothingWhenTheKeyFailsAndReleasesWhenThePlayThrows) {
    FakeTransmitter refusing;
    refusing.refuseKey = true;
    KeyedSession refused(refusing, 10s);
    bool played = false;
    const Wait noWait = [](std::chrono::milliseconds) {};
    EXPECT_THROW(KeyedPlay<int>(refused, {}, noWait, [&] { return played = true, 0; }), PttError);
    EXPECT_FALSE(played);

    FakeTransmitter tx;
    KeyedSession session(tx, 10s);
    EXPECT_THROW(
        KeyedPlay<int>(session, {}, noWait, []() -> int { throw std::runtime_error("x"); }),
        std::runtime_error);
    EXPECT_THAT(tx.Levels(), ElementsAre(true, false));

    FakeTransmitter stuck;
    stuck.refuseRelease = true;
    KeyedSession stuckSession(stuck, 10s);
    const auto stuckResult = KeyedPlay<int>(stuckSession, {}, noWait, [] { return 1; });
    EXPECT_EQ(stuckResult.played, 1);
    EXPECT_EQ(stuckResult.releaseError, stuck.label + ": отказ");
}

// A send the watchdog cut short says so, naming the transmitter: its end went out unkeyed.
TEST(KeyedPlay, ReportsAWatchdogReleaseDuringTheSend) {
    FakeTransmitter tx;
    KeyedSession session(tx, 100ms);
    const Wait noWait = [](std::chrono::milliseconds) {};
    const auto result = KeyedPlay<int>(session, {}, noWait, [&] {
        for (int i = 0; i < 500 && !session.expired(); ++i) {
            std::this_thread::sleep_for(10ms);
        }
        return 1;
    });
    EXPECT_THAT(result.limitError, HasSubstr(tx.label + ": предельное время передачи истекло"));
    EXPECT_THAT(tx.Levels(), ElementsAre(true, false));

    KeyedSession inTime(tx, 10s);
    EXPECT_EQ(KeyedPlay<int>(inTime, {}, noWait, [] { return 1; }).limitError, "");
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
}

TEST(KeyPattern, AFailedKeyEndsTheRunReleased) {
    platform::FakeClock clock;
    PttTrainer trainer(clock);
    trainer.Redraw(2, 2, 2);
    FakeTransmitter tx;
    tx.refuseKey = true;
    KeyedSession session(tx, 1h);
    EXPECT_THROW(KeyPattern(trainer, clock, session, [](const PatternEdge&) {}), PttError);
    EXPECT_FALSE(trainer.IsRunning());
    EXPECT_FALSE(session.keyed());
}

}  // namespace
}  // namespace tornel::ptt

namespace tornel::ptt {
namespace {

// The thread keys in the order asked; a failure waits for the caller; the end releases.
TEST(BackgroundKeying, KeysAsAskedReportsAFailureAndReleasesAtItsEnd) {
    FakeTransmitter tx;
    {
        BackgroundKeying keying(std::make_unique<test::ForwardingTransmitter>(tx), 10s);
        keying.Follow(true);
        for (int i = 0; i < 500 && tx.Levels().empty(); ++i) {
            std::this_thread::sleep_for(10ms);
        }
        EXPECT_THAT(tx.Levels(), ElementsAre(true));
        keying.Release();
        EXPECT_THAT(tx.Levels(), ElementsAre(true, false));

        tx.refuseKey = true;
        keying.Follow(true);
        std::optional<std::string> error;
        for (int i = 0; i < 500 && !error; ++i) {
            std::this_thread::sleep_for(10ms);
            error = keying.TakeError();
        }
        EXPECT_EQ(error, tx.label + ": отказ");
        EXPECT_EQ(keying.TakeError(), std::nullopt);
        tx.refuseKey = false;
    }
    // The failed key counts as keyed: the end released it once more.
    EXPECT_THAT(tx.Levels(), ElementsAre(true, false, false));
}

}  // namespace
}  // namespace tornel::ptt
