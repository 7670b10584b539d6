// The window keys the transmitter through a fake one: around "выдать" and in the trainer's
// "передача" phases, and nothing at all with keying off.

#include <gmock/gmock.h>

#include <QLabel>
#include <QTest>
#include <QTimer>

#include <thread>

#include "signal/wav_writer.h"
#include "tests/ptt/fake_transmitter.h"
#include "window_fixture.h"

namespace tornel::app::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Clock = std::chrono::steady_clock;

class Keying : public WindowTest {
  protected:
    // The sound setup with keying through the fake (as a serial RTS line, say) and a fresh
    // window that reads it.
    void UseKeying(ptt::KeyingTimes times = {.txDelayMs = 40, .txTailMs = 30}) {
        WriteSoundSettings(
            *OpenUserSettings(),
            {.transmitter = ptt::ParsePttChoice("rts:/dev/ttyUSB0"), .keying = times});
        openTransmitter = fake.Opener();
        Recreate({});
        // The first tick after start-up (Timer2) redraws, which would end a run begun before it.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !Control<QTimer>("Timer2")->isActive(); }));
    }
    void Send() {
        Button("Button_FormFile")->click();
        Button("Button_Out")->click();
    }
    QTimer* Timer1() const { return Control<QTimer>("Timer1"); }
    void Tick(double step = 0.01) {
        clock->Advance(platform::Seconds{step});
        ASSERT_TRUE(QMetaObject::invokeMethod(Timer1(), "timeout", Qt::DirectConnection));
    }
    double PatternTime() const { return (clock->Now() - state->trainer.RunStart()).count() - 2.0; }
    // The trainer keys from a thread of its own: waits until the transmitter stands where the
    // indicator does.
    void TickSettled() {
        Tick();
        const auto levelShown = [&] {
            const auto levels = fake.tx.Levels();
            return (!levels.empty() && levels.back()) == Shown(Control<QLabel>("Label_PTT"));
        };
        ASSERT_TRUE(QTest::qWaitFor(levelShown, 5000));
    }

    test::FakeOpener fake;
};

TEST_F(Keying, SendKeysWaitsTheDelayPlaysWaitsTheTailAndReleases) {
    const ptt::KeyingTimes times{.txDelayMs = 60, .txTailMs = 40};
    UseKeying(times);
    Clock::time_point playStart;
    Clock::time_point playEnd;
    sound.duringPlayback = [&] {
        playStart = Clock::now();
        EXPECT_THAT(fake.tx.Levels(), ElementsAre(true)) << "played before the key";
        playEnd = Clock::now();
    };
    Send();
    const auto edges = fake.tx.Edges();
    ASSERT_EQ(edges.size(), 2u);
    EXPECT_TRUE(edges[0].keyed);
    EXPECT_GE(playStart - edges[0].at, std::chrono::milliseconds(times.txDelayMs));
    EXPECT_FALSE(edges[1].keyed);
    EXPECT_GE(edges[1].at - playEnd, std::chrono::milliseconds(times.txTailMs));
    EXPECT_TRUE(Status().contains("нет ошибок")) << Status().toStdString();
}

// Refused at its open or its key, the transmitter stops a send before anything plays and the
// trainer before it starts; the line cuts what does not fit, its tooltip holds the whole.
TEST_F(Keying, ATransmitterThatCannotBeOpenedOrKeyedStopsTheSendAndTheTrainer) {
    const QString noDevice = "RTS порта /dev/ttyUSB0: нет устройства /dev/ttyUSB0";
    const struct {
        bool trainer;
        bool refuseOpen;
        QString message;
    } cases[] = {
        {false, true, "Сигнал не выдан: " + noDevice},
        {false, false, "Сигнал не выдан: тестовый передатчик: отказ"},
        {true, true, "Передатчик не включается: " + noDevice},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.message.toStdString());
        UseKeying();
        fake.refuseOpen = c.refuseOpen;
        fake.tx.refuseKey = !c.refuseOpen;
        if (c.trainer) {
            Button("Button_Sound")->click();
            EXPECT_EQ(Button("Button_Sound")->text(), QStringLiteral("старт"));
            EXPECT_FALSE(Timer1()->isActive());
        } else {
            Send();
        }
        EXPECT_THAT(sound.playedPaths, IsEmpty());
        EXPECT_TRUE(Status().startsWith(u' ' + c.message.left(24))) << Status().toStdString();
        EXPECT_EQ(StatusMessage(), u' ' + c.message);
    }
}

// The hard limit covers the whole file, its silence after the signal too; a send it cut short
// says so instead of "нет ошибок". Takes the limit's own seven seconds.
TEST_F(Keying, AWatchdogReleaseComesNoSoonerThanTheWholeFileAllowsAndIsShown) {
    UseKeying({.txDelayMs = 0, .txTailMs = 0});
    sound.duringPlayback = [&] {  // a playback stuck in the sound server
        for (int i = 0; i < 1000 && fake.tx.Levels().back(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    };
    Button("Button_FormFile")->click();
    // The limit runs from before the key: the key's own noted time comes a little after it.
    const auto start = Clock::now();
    Button("Button_Out")->click();
    const auto edges = fake.tx.Edges();
    ASSERT_EQ(edges.size(), 2u);
    const std::chrono::duration<double> file(static_cast<double>(kWavDataSamples) / kSampleRate);
    EXPECT_GE(edges[1].at - start, file + ptt::kHardLimitMargin);
    EXPECT_TRUE(StatusMessage().startsWith(
        QStringLiteral(" Сигнал не выдан полностью: тестовый передатчик: предельное время")))
        << StatusMessage().toStdString();
}

TEST_F(Keying, WithKeyingOffNothingIsOpened) {
    for (const char* choice : {"none", "vox"}) {
        WriteSoundSettings(*OpenUserSettings(), {.transmitter = ptt::ParsePttChoice(choice)});
        openTransmitter = fake.Opener();
        Recreate({});
        Send();
        Button("Button_Sound")->click();
        while (Timer1()->isActive()) {
            Tick();
        }
    }
    EXPECT_EQ(fake.opens, 0);
    EXPECT_EQ(sound.playedPaths.size(), 2u);
}

// Each edge keyed at the first tick past the trainer's own edge.
TEST_F(Keying, TrainerKeysExactlyInTheTransmitPhases) {
    UseKeying();
    std::vector<double> edgeTimes;
    fake.tx.onEdge = [&](bool) { edgeTimes.push_back(PatternTime()); };
    // A recorded beep takes its 20 ms on the fake clock, while the key goes on beside it.
    Box("CheckBox_Zwuk")->click();
    Button("Button_Sound")->click();
    while (Timer1()->isActive()) {
        TickSettled();
    }
    EXPECT_THAT(fake.tx.Levels(), ElementsAre(true, false, true, false));
    const PttTrainer& trainer = state->trainer;
    const double ends[] = {0.0, double(trainer.PttEnd1()), double(trainer.PauseEnd()),
                           double(trainer.PttEnd2())};
    ASSERT_EQ(edgeTimes.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_GT(edgeTimes[i], ends[i]);
        EXPECT_LE(edgeTimes[i], ends[i] + 0.0101);
    }
}

// "стоп", a duration change and the window's close each end the run released.
TEST_F(Keying, TrainerReleasesOnStopDurationChangeAndClose) {
    const std::function<void()> endings[] = {
        [&] { Button("Button_Sound")->click(); },
        [&] { Field("SpinEdit_11")->setValue(Field("SpinEdit_11")->value() + 2); },
        [&] { form->close(); },
    };
    for (const auto& end : endings) {
        SCOPED_TRACE(&end - endings);
        UseKeying();
        Button("Button_Sound")->click();
        while (PatternTime() < 1.0) {
            TickSettled();
        }
        ASSERT_TRUE(fake.tx.Levels().back());
        end();
        EXPECT_FALSE(fake.tx.Levels().back());
    }
}

}  // namespace
}  // namespace tornel::app::testing
