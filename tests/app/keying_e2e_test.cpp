// Keying a real rigctld (hamlib's dummy rig) from the window: around a send through the private
// sound server, and in a trainer run that ends by "стоп" or by closing the window.

#include <QTimer>
#include <chrono>

#include "platform/sound_backend.h"
#include "tests/app/window_fixture.h"
#include "tests/support/keyed_send_check.h"

namespace tornel::app::testing {
namespace {

using namespace std::chrono_literals;

class KeyingRigctld : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (!test::RigctldServer::Available()) {
            GTEST_SKIP() << "rigctld is not installed";
        }
        rig = std::make_unique<test::RigctldServer>();
    }
    void UseRig(ptt::KeyingTimes times, platform::SoundOutput* output = nullptr) {
        WriteSoundSettings(*OpenUserSettings(),
                           {.transmitter = ptt::ParsePttChoice(rig->Choice()), .keying = times});
        Recreate({}, {}, output);
    }
    std::unique_ptr<test::RigctldServer> rig;
};

TEST_F(KeyingRigctld, SendIsKeyedByTheDelayBeforeItsFirstSampleAndReleasedByTheTailAfterItsLast) {
    if (!test::PulseServer::Available()) {
        GTEST_SKIP() << "pulseaudio is not installed";
    }
    // 48 kHz stereo: the sink hands its samples out every 21 ms.
    test::PulseServer server({.rate = 48000, .channels = 2});
    const auto output = platform::MakeSystemSoundBackend("tornel-test")->MakeSoundOutput();
    const ptt::KeyingTimes times{.txDelayMs = 300, .txTailMs = 300};
    UseRig(times, output.get());
    const std::size_t mark = server.RecordedFrames();
    Button("Button_FormFile")->click();
    Button("Button_Out")->click();
    test::ExpectKeyedAroundTheFile(*rig, server, mark, times);
    EXPECT_TRUE(Status().contains("нет ошибок")) << Status().toStdString();
}

TEST_F(KeyingRigctld, TrainerRunIsReleasedByStopAndByClosingTheWindow) {
    for (const bool closeWindow : {false, true}) {
        UseRig({});
        Button("Button_Sound")->click();
        auto* timer1 = Control<QTimer>("Timer1");
        while ((clock->Now() - state->trainer.RunStart()).count() < 3.0) {  // pattern time 1 s
            clock->Advance(platform::Seconds{0.01});
            QMetaObject::invokeMethod(timer1, "timeout", Qt::DirectConnection);
        }
        ASSERT_TRUE(rig->WaitFor(true, 5s));
        if (closeWindow) {
            form->close();
        } else {
            Button("Button_Sound")->click();
        }
        EXPECT_TRUE(rig->WaitFor(false, 5s)) << (closeWindow ? "close" : "стоп");
    }
}

}  // namespace
}  // namespace tornel::app::testing
