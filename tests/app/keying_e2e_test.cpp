// Keying a real rigctld (hamlib's dummy rig) from the window around a send through the private
// sound server; a trainer run's releases are in keying_test.cpp.

#include "platform/sound_backend.h"
#include "tests/app/window_fixture.h"
#include "tests/support/keyed_send_check.h"

namespace tornel::app::testing {
namespace {

class KeyingRigctld : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        if (!test::RigctldServer::Available()) {
            GTEST_SKIP() << "rigctld is not installed";
        }
        rig = std::make_unique<test::RigctldServer>();
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
    WriteSoundSettings(*OpenUserSettings(),
                       {.transmitter = ptt::ParsePttSpec(rig->Spec()), .keying = times});
    Recreate({}, {}, output.get());
    const std::size_t mark = server.RecordedFrames();
    Button("Button_FormFile")->click();
    Button("Button_Out")->click();
    test::ExpectKeyedAroundTheFile(*rig, server, mark, times);
    EXPECT_TRUE(Status().contains("нет ошибок")) << Status().toStdString();
}

}  // namespace
}  // namespace tornel::app::testing
