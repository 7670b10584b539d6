// The sound setup through a real sound server with two outputs, "cap" (the default) and "b":
// the chosen output alone gets the signal, also after a restart; an absent one is named and
// nothing plays; the dialog follows outputs and inputs that come and go and plays its check
// tone. And the check of a send through a loopback cable from the output to the server's input.

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QSettings>
#include <QSpinBox>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>

#include "app/sound_dialog.h"
#include "app/status_line.h"
#include "platform/sound_backend.h"
#include "signal/decoder.h"
#include "signal/wav_writer.h"
#include "tests/app/window_fixture.h"
#include "tests/support/pulse_server.h"
#include "tests/support/tone_bursts.h"

namespace tornel::app::testing {
namespace {

using test::PulseServer;

// Runs the event loop until `done` holds or `seconds` have passed.
bool ProcessUntil(const std::function<bool()>& done, double seconds) {
    const auto limit = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done() && std::chrono::steady_clock::now() < limit) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return done();
}

long Loudest(const std::vector<std::int16_t>& samples) {
    long peak = 0;
    for (const std::int16_t s : samples) {
        peak = std::max(peak, std::labs(s));
    }
    return peak;
}

class SoundSetup : public WindowTest {
  protected:
    void SetUp() override {
        if (!PulseServer::Available()) {
            GTEST_SKIP() << "pulseaudio is not installed";
        }
        WindowTest::SetUp();
        server = std::make_unique<PulseServer>(PulseServer::Options{.moreSinks = {"b"}});
        output = platform::MakeSystemSoundBackend("tornel-test")->MakeSoundOutput();
        Recreate({}, {}, output.get());
    }

    // Sends and waits until the outputs have handed out what was played.
    void Send() {
        Button("Button_FormFile")->click();
        markCap = server->Sink("cap").RecordedFrames();
        markB = server->Sink("b").RecordedFrames();
        Button("Button_Out")->click();
        server->Sink("cap").WaitForFrames(server->Sink("cap").RecordedFrames() + 8192,
                                          std::chrono::seconds(5));
    }
    bool CapSilent() const {
        return test::FirstAbove(server->Sink("cap").Recording(markCap), 0) == -1;
    }

    std::unique_ptr<PulseServer> server;
    std::unique_ptr<platform::SoundOutput> output;
    std::size_t markCap = 0;
    std::size_t markB = 0;
};

// "звук...": the operator picks the device `name` in the dialog's list `listName` and confirms.
void ChooseInSoundSetup(QPushButton* soundSetup, const char* listName, const char* name) {
    QTimer operatorHand;
    operatorHand.callOnTimeout([&] {
        auto* dialog = qobject_cast<SoundDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            return;
        }
        auto* list = dialog->findChild<QComboBox*>(QString::fromLatin1(listName));
        list->setCurrentIndex(list->findData(QString::fromLatin1(name)));
        dialog->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    operatorHand.start(20);
    soundSetup->click();  // returns when the dialog is closed
}

TEST_F(SoundSetup, ChosenOutputSurvivesARestartAndAloneGetsTheSignal) {
    ChooseInSoundSetup(Button("Button_SoundSetup"), "ComboBox_Device", "b");

    Recreate({}, {}, output.get());  // a restart: the choice is read from the settings
    Send();
    server->Sink("b").WaitForFrames(server->Sink("b").RecordedFrames() + 8192,
                                    std::chrono::seconds(5));
    EXPECT_TRUE(CapSilent()) << "the default output played too";
    const auto recording = server->Sink("b").Recording(markB);
    const long onset = test::FirstAbove(recording, 0);
    ASSERT_GE(onset, 0) << "nothing was played on b";
    const auto signalSamples = static_cast<std::size_t>(state->synth.sampleCount());
    ASSERT_GE(recording.size(), onset + signalSamples);
    std::vector<float> heard(recording.begin() + onset, recording.begin() + onset + signalSamples);
    const DecodeResult decoded = DecodeSignal(heard, kSampleRate);
    ASSERT_TRUE(decoded.found) << decoded.reason;
    EXPECT_EQ(decoded.packet, state->packet);
    EXPECT_TRUE(Status().contains("нет ошибок")) << Status().toStdString();
    EXPECT_TRUE(Control<QLabel>("StaticText_Error")
                    ->toolTip()
                    .contains(QString::fromStdString(PulseServer::DescriptionOf("b"))));
}

TEST_F(SoundSetup, AbsentOutputIsNamedAndNothingPlays) {
    const SoundSettings chosen{
        .device = "b", .deviceDescription = PulseServer::DescriptionOf("b"), .level = 100};
    WriteSoundSettings(*OpenUserSettings(), chosen);
    server->RemoveSink("b");
    Recreate({}, {}, output.get());
    Send();
    const QString status = QStringLiteral(" Сигнал не выдан: нет устройства вывода «%1»")
                               .arg(QString::fromStdString(chosen.deviceDescription));
    EXPECT_EQ(Status(), FitStatusLine(status, *Control<QLabel>("StaticText_Error")));
    EXPECT_EQ(StatusTip(), status.trimmed());
    EXPECT_TRUE(CapSilent()) << "the signal went to another output";

    SoundDialog dialog(*state->devices.sound, chosen);
    auto* list = dialog.findChild<QComboBox*>(QStringLiteral("ComboBox_Device"));
    EXPECT_EQ(list->currentData().toString(), QStringLiteral("b"));
    EXPECT_TRUE(list->currentText().contains(QStringLiteral("не подключено")));
}

// Two outputs with the same description, listed and remembered with their names beside it; an
// absent one remembered as "Null Output" is told apart from those present.
TEST(SoundSetupOfOutputsAlike, TellsThemApartByTheirNames) {
    if (!PulseServer::Available()) {
        GTEST_SKIP() << "pulseaudio is not installed";
    }
    PulseServer server({.nullSinks = {"card1", "card2"}});
    const auto backend = platform::MakeSystemSoundBackend("tornel-test");
    for (const SoundSettings& remembered :
         {SoundSettings{.device = "card2"},
          SoundSettings{.device = "card3", .deviceDescription = "Null Output"}}) {
        SoundDialog dialog(*backend, remembered);
        const std::string label = "Null Output (" + remembered.device + ")";
        EXPECT_TRUE(dialog.findChild<QComboBox*>(QStringLiteral("ComboBox_Device"))
                        ->currentText()
                        .startsWith(QString::fromStdString(label)));
        EXPECT_EQ(dialog.chosen().DeviceLabel(), label);
    }
}

TEST_F(SoundSetup, DialogFollowsTheDevicesAndPlaysTheCheckToneOnTheChosenOne) {
    SoundDialog dialog(*state->devices.sound, SoundSettings{});
    auto* list = dialog.findChild<QComboBox*>(QStringLiteral("ComboBox_Device"));
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->itemText(0), QStringLiteral("по умолчанию"));
    EXPECT_TRUE(list->itemText(list->findData(QStringLiteral("cap"))).contains("основной"));
    server->AddSink("c");  // a card plugged in while the dialog is open
    EXPECT_TRUE(ProcessUntil([&] { return list->findData(QStringLiteral("c")) >= 0; }, 5.0));
    // Inputs too: one that becomes the default, then another, which no change of the default
    // announces, plugged in and out.
    auto* inputs = dialog.findChild<QComboBox*>(QStringLiteral("ComboBox_CheckInput"));
    auto listed = [&](const char* input) { return inputs->findData(QString::fromLatin1(input)); };
    EXPECT_EQ(inputs->itemText(0), QStringLiteral("выключен (входы не найдены)"));
    server->Pactl({"load-module", "module-sine-source", "source_name=line"});
    server->Pactl({"set-default-source", "line"});
    EXPECT_TRUE(ProcessUntil([&] { return listed("line") >= 0; }, 5.0));
    EXPECT_EQ(inputs->itemText(0), QStringLiteral("выключен"));
    server->Pactl({"load-module", "module-null-source", "source_name=usb"});
    EXPECT_TRUE(ProcessUntil([&] { return listed("usb") >= 0; }, 5.0));
    server->Pactl({"unload-module", "module-null-source"});
    EXPECT_TRUE(ProcessUntil([&] { return listed("usb") < 0; }, 5.0));

    list->setCurrentIndex(list->findData(QStringLiteral("b")));
    dialog.findChild<QSpinBox*>(QStringLiteral("SpinBox_Level"))->setValue(50);
    auto* check = dialog.findChild<QPushButton*>(QStringLiteral("Button_Check"));
    const std::size_t mark = server->Sink("b").RecordedFrames();
    const std::size_t markCapHere = server->Sink("cap").RecordedFrames();
    check->click();
    EXPECT_TRUE(ProcessUntil([&] { return check->text() == QStringLiteral("проверка"); }, 8.0));
    server->Sink("b").WaitForFrames(server->Sink("b").RecordedFrames() + 8192,
                                    std::chrono::seconds(5));
    const auto recording = server->Sink("b").Recording(mark);
    const auto bursts = test::FindToneBursts(recording, server->rate());
    ASSERT_EQ(bursts.size(), 1u);
    EXPECT_NEAR(bursts[0].length, 3 * server->rate(), server->rate() / 10);
    const double middleToneHz = synthesis::kToneIncrement * kSampleRate / (2 * std::numbers::pi);
    EXPECT_NEAR(bursts[0].frequency, middleToneHz, 5.0);
    EXPECT_NEAR(Loudest(recording), kAmplitude / 2, kAmplitude / 2 * 0.02);  // level 50 %
    EXPECT_EQ(test::FirstAbove(server->Sink("cap").Recording(markCapHere), 0), -1);

    // Pressed again while it plays, the check tone stops.
    const std::size_t again = server->Sink("b").RecordedFrames();
    check->click();
    ProcessUntil([] { return false; }, 0.3);
    check->click();
    EXPECT_EQ(check->text(), QStringLiteral("проверка"));
    server->Sink("b").WaitForFrames(server->Sink("b").RecordedFrames() + 24000,
                                    std::chrono::seconds(5));
    const auto stopped = test::FindToneBursts(server->Sink("b").Recording(again), server->rate());
    ASSERT_EQ(stopped.size(), 1u);
    EXPECT_LT(stopped[0].length, server->rate());
}

// A loopback cable from the default output to the input "mic", which the check listens to.
class SendCheckThroughLoopback : public WindowTest {
  protected:
    void SetUp() override {
        if (!PulseServer::Available()) {
            GTEST_SKIP() << "pulseaudio is not installed";
        }
        WindowTest::SetUp();
        server =
            std::make_unique<PulseServer>(PulseServer::Options{.input = true, .loopback = true});
        output = platform::MakeSystemSoundBackend("tornel-test")->MakeSoundOutput();
        Recreate({}, {}, output.get());
    }
    void Send() {
        Button("Button_FormFile")->click();
        Button("Button_Out")->click();  // returns after the check
    }

    std::unique_ptr<PulseServer> server;
    std::unique_ptr<platform::SoundOutput> output;
};

TEST_F(SendCheckThroughLoopback, InputChosenForTheCheckHearsThePacketIntact) {
    ChooseInSoundSetup(Button("Button_SoundSetup"), "ComboBox_CheckInput", "mic");
    Send();
    EXPECT_EQ(Status(), QStringLiteral(" контроль: пакет принят, CRC верна"));
    const QString tooltip = Control<QLabel>("StaticText_Error")->toolTip();
    EXPECT_TRUE(tooltip.contains("нет ошибок") && tooltip.contains("пакет принят без ошибок"))
        << tooltip.toStdString();
}

TEST_F(SendCheckThroughLoopback, SendAtThreePercentIsReportedTooQuiet) {
    WriteSoundSettings(*OpenUserSettings(), {.level = 3, .checkInput = "mic"});
    Recreate({}, {}, output.get());
    Send();
    EXPECT_EQ(Status(), QStringLiteral(" контроль: пакет принят, но уровень мал (-31 дБ)"));
}

TEST_F(SendCheckThroughLoopback, MissingCheckInputLeavesTheSendAloneAndIsNamed) {
    WriteSoundSettings(*OpenUserSettings(), {.checkInput = "unplugged"});
    Recreate({}, {}, output.get());
    const std::size_t mark = server->RecordedFrames();
    Send();
    server->WaitForFrames(server->RecordedFrames() + 8192, std::chrono::seconds(5));
    EXPECT_GE(test::FirstAbove(server->Recording(mark), 0), 0) << "nothing was played";
    EXPECT_EQ(Status(), QStringLiteral(" контроль: вход «unplugged» не подключён"));
}

TEST(SoundSetupWithoutServer, DialogSaysSoAndDoesNotHang) {
    qputenv("PULSE_SERVER", "unix:/nonexistent/tornel-test-no-server");
    const auto backend = platform::MakeSystemSoundBackend("tornel-test");
    SoundDialog dialog(*backend, SoundSettings{});
    qunsetenv("PULSE_SERVER");
    EXPECT_TRUE(dialog.findChild<QLabel*>(QStringLiteral("Label_State"))
                    ->text()
                    .startsWith(QStringLiteral("Нет звукового сервера")));
    EXPECT_EQ(dialog.findChild<QComboBox*>()->count(), 1);  // "по умолчанию" alone
}

}  // namespace
}  // namespace tornel::app::testing
