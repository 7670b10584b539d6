// "выдать" through a real sound server: what the controller hears is the file that was written,
// and it decodes to the packet that was built.
#include <QPushButton>
#include <QTest>
#include <algorithm>
#include <cstring>

#include "app/sound_settings.h"
#include "platform/sound_backend.h"
#include "signal/decoder.h"
#include "signal/wav_writer.h"
#include "tests/app/window_fixture.h"
#include "tests/support/pulse_server.h"
#include "tests/support/temp_dir.h"

namespace tornel::app::testing {
namespace {

std::vector<std::int16_t> DataChunkOf(const std::filesystem::path& wav) {
    const std::string bytes = test::ReadFile(wav);
    std::vector<std::int16_t> samples((bytes.size() - kWavHeaderBytes) / 2);
    std::memcpy(samples.data(), bytes.data() + kWavHeaderBytes, samples.size() * 2);
    return samples;
}

class SendThroughSoundServer : public WindowTest {};

TEST_F(SendThroughSoundServer, RecordingIsTheFileAndDecodesToTheBuiltPacket) {
    if (!test::PulseServer::Available()) {
        GTEST_SKIP() << "pulseaudio is not installed";
    }
    test::PulseServer server;
    const auto output = platform::MakeSystemSoundBackend("tornel-test")->MakeSoundOutput();
    Recreate({}, {}, output.get());
    Button("Button_FormFile")->click();
    Field("SpinEdit_1")->setValue(77);
    Box("CheckBox_9")->click();
    const std::size_t mark = server.RecordedFrames();

    Button("Button_Out")->click();  // returns when the signal has been played
    // The sink hands its samples out in blocks: wait for the last ones to arrive.
    server.WaitForFrames(server.RecordedFrames() + 8192, std::chrono::seconds(5));

    EXPECT_TRUE(Status().contains("нет ошибок")) << Status().toStdString();
    const auto file = DataChunkOf(dir.path().toStdString() + "/" + kWavFileName);
    ASSERT_EQ(file.size(), kWavDataSamples);
    const long signalSamples = state->synth.sampleCount();
    const auto recording = server.Recording(mark);
    const long onset = test::FirstAbove(recording, 0);
    ASSERT_GE(onset, 0) << "nothing was played";
    // The whole file was played before the command returned: all 4.92 s of it.
    ASSERT_GE(recording.size(), onset + file.size());
    EXPECT_TRUE(std::equal(file.begin(), file.end(), recording.begin() + onset));

    std::vector<float> heard(recording.begin() + onset, recording.begin() + onset + signalSamples);
    const DecodeResult decoded = DecodeSignal(heard, 16000);
    ASSERT_TRUE(decoded.found) << decoded.reason;
    EXPECT_TRUE(decoded.crcOk);
    EXPECT_EQ(decoded.packet, state->packet);
    EXPECT_EQ(decoded.packet[2], 77);
    EXPECT_EQ(decoded.packet[10], 175);
}

// An output at the server's default latency renders two seconds ahead and takes back what a
// stream that ends leaves unplayed: "выдать" says "нет ошибок" only once all of it was played.
TEST_F(SendThroughSoundServer, PlaysWholeOnAnOutputThatRendersSecondsAhead) {
    if (!test::PulseServer::Available()) {
        GTEST_SKIP() << "pulseaudio is not installed";
    }
    test::PulseServer server({.nullSinks = {"card1", "card2"}});
    const auto output = platform::MakeSystemSoundBackend("tornel-test")->MakeSoundOutput();
    WriteSoundSettings(*OpenUserSettings(), {.device = "card2", .level = 100});
    Recreate({}, {}, output.get());
    Button("Button_FormFile")->click();
    const std::size_t mark = server.Monitor("card2").RecordedFrames();

    Button("Button_Out")->click();

    EXPECT_TRUE(Status().contains("нет ошибок")) << Status().toStdString();
    // Both null sinks are "Null Output": the one played on is told apart by its server's name.
    EXPECT_TRUE(StatusTip().endsWith(QStringLiteral("выдано: «Null Output (card2)»")))
        << StatusTip().toStdString();
    const auto file = DataChunkOf(dir.path().toStdString() + "/" + kWavFileName);
    const auto& monitor = server.Monitor("card2");
    ASSERT_GE(monitor.WaitForPlayed(mark, file, std::chrono::seconds(5)), 0)
        << "the monitor did not hear the whole file: " << monitor.PlayedSummary(mark, file);
    const auto heard = server.Monitor("card2").Recording(mark);
    const std::vector<float> signal(heard.begin() + test::FirstAbove(heard, 0), heard.end());
    const DecodeResult decoded = DecodeSignal(signal, kSampleRate);
    ASSERT_TRUE(decoded.found) << decoded.reason;
    EXPECT_EQ(decoded.packet, state->packet);
}

}  // namespace
}  // namespace tornel::app::testing
