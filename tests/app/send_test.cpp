// "выдать": rebuild, both files, both charts, playback through the sound output.

#include <QTest>
#include <cstring>
#include <filesystem>

#include "app/status_line.h"
#include "platform/sound_backend.h"
#include "qcustomplot.h"
#include "signal/wav_writer.h"
#include "window_fixture.h"

namespace tornel::app::testing {
namespace {

using Send = WindowTest;

std::vector<std::int16_t> DataChunk(const std::vector<char>& wav, std::size_t count) {
    std::vector<std::int16_t> samples(count);
    if (wav.size() >= 44 + count * 2) {
        std::memcpy(samples.data(), wav.data() + 44, count * 2);
    }
    return samples;
}

TEST_F(Send, SendAfterAChangeWithoutBuildPlaysTheNewPacket) {
    Button("Button_FormFile")->click();
    Field("SpinEdit_3")->setValue(40);
    Button("Button_Out")->click();

    PacketInputs inputs;
    inputs.fields[2] = 40;
    const Packet expected = BuildPacket(inputs).packet;
    EXPECT_EQ(state->packet, expected);
    EXPECT_EQ(MemoLines("Memo_MasIsh")[4], " 4   40");

    ASSERT_EQ(sound.playedPaths.size(), 1u);
    const std::filesystem::path played(sound.playedPaths.front());
    EXPECT_EQ(played.filename(), kWavFileName);
    EXPECT_EQ(played.parent_path(), std::filesystem::path(dir.path().toStdString()));
    EXPECT_EQ(sound.playedFile.size(), kWavFileBytes);
    EXPECT_TRUE(std::filesystem::exists(played.parent_path() / kCArrayFileName));

    // The window's synthesis state is fresh, so a fresh synthesizer gives the same signal.
    Synthesizer reference;
    reference.BuildSignal(expected, true);
    const auto wanted = reference.samples();
    const auto got = DataChunk(sound.playedFile, wanted.size());
    EXPECT_TRUE(std::equal(wanted.begin(), wanted.end(), got.begin()));
    EXPECT_TRUE(Status().startsWith(QStringLiteral(" *** нет ошибок ***  выдано: ")));
}

TEST_F(Send, BothChartsShowTheSignalSent) {
    Button("Button_FormFile")->click();
    Button("Button_Out")->click();
    const int samples = state->synth.sampleCount();
    auto* filter = Plot("Chart_Filtr");
    EXPECT_EQ(filter->graph(0)->dataCount(), samples - 4000);  // no points for the closing tone
    EXPECT_EQ(filter->graph(1)->dataCount(), 0);
    EXPECT_EQ(Plot("Chart1")->graph(0)->dataCount(), samples);

    // A second send replaces the points instead of adding to them.
    Button("Button_Out")->click();
    EXPECT_EQ(filter->graph(0)->dataCount(), samples - 4000);
}

TEST_F(Send, FilterSwitchOffGivesAFlatFilterChart) {
    Box("CheckBox_ModFiltr")->click();
    Button("Button_FormFile")->click();
    Button("Button_Out")->click();
    auto* filter = Plot("Chart_Filtr");
    ASSERT_GT(filter->graph(0)->dataCount(), 0);
    bool ok = false;
    const QCPRange range = filter->graph(0)->getValueRange(ok);
    EXPECT_TRUE(ok);
    EXPECT_DOUBLE_EQ(range.lower, 0.0);
    EXPECT_DOUBLE_EQ(range.upper, 0.0);
}

// A file of the send that cannot be written: nothing is played, and both the box and the status
// line say in Russian which file was not written and why; the window stays usable.
TEST_F(Send, FileNotWrittenIsReportedInRussianAndNothingIsPlayed) {
    const std::filesystem::path base(dir.path().toStdString());
    struct Case {
        std::filesystem::path workDir;
        const char* blocked;  // made a folder, so that the file cannot take its place
        const char* file;
        const char* reason;
    };
    const Case cases[] = {{base / "missing" / "folder", nullptr, kWavFileName, "папка не найдена"},
                          {base, kCArrayFileName, kCArrayFileName, "на месте файла стоит папка"}};
    for (const Case& c : cases) {
        if (c.blocked != nullptr) {
            std::filesystem::create_directory(c.workDir / c.blocked);
        }
        errors.clear();
        Recreate({}, c.workDir);
        Button("Button_FormFile")->click();
        Button("Button_Out")->click();
        ASSERT_EQ(errors.size(), 1) << c.file;
        const QString file = QString::fromLatin1(c.file);
        const QString reason = QString::fromUtf8(c.reason);
        EXPECT_TRUE(errors.front().contains(file + QStringLiteral("» не записан: ") + reason))
            << errors.front().toStdString();
        EXPECT_TRUE(errors.front().contains(QStringLiteral("Сигнал не выдан")));
        const QString status = QStringLiteral(" Файл %1 не записан: %2").arg(file, reason);
        EXPECT_EQ(Status(), FitStatusLine(status, *Control<QLabel>("StaticText_Error")));
        EXPECT_EQ(StatusTip(), status.trimmed());
        EXPECT_TRUE(sound.playedPaths.empty()) << c.file;
        EXPECT_FALSE(form->playing());
    }

    TypeInto(Field("SpinEdit_1"), "9");  // input is not blocked
    EXPECT_EQ(Field("SpinEdit_1")->TypedValueUnclamped(), 9);
    Button("Button3")->click();
    EXPECT_EQ(MemoLines("Memo1").size(), 16);
}

TEST_F(Send, NothingPlayedPutsTheReasonInTheStatusLine) {
    sound.result = platform::PlayFailure("нет связи со звуковым сервером");
    Button("Button_FormFile")->click();
    Button("Button_Out")->click();
    EXPECT_TRUE(Status().contains(QStringLiteral("Сигнал не выдан")));
    EXPECT_TRUE(StatusTip().contains(QStringLiteral("нет связи со звуковым сервером")));
}

// The server reported less played than the file holds: never "нет ошибок".
TEST_F(Send, SignalCutShortIsNamedAsNotWhollySent) {
    sound.result = platform::PlayFailure("выдано 1,99 с из 4,92 с");
    sound.result.incomplete = true;
    Button("Button_FormFile")->click();
    Button("Button_Out")->click();
    EXPECT_EQ(StatusMessage(),
              QStringLiteral(" Сигнал не выдан полностью: выдано 1,99 с из 4,92 с"));
}

TEST_F(Send, PlaybackShowsProgressAndDiscardsInputArrivingMeanwhile) {
    SpinEdit* field = Field("SpinEdit_1");
    QString statusDuringPlayback;
    bool playingFlag = false;
    sound.duringPlayback = [&] {
        statusDuringPlayback = Status();
        playingFlag = form->playing();
        QCoreApplication::postEvent(
            field, new QKeyEvent(QEvent::KeyPress, Qt::Key_7, Qt::NoModifier, QStringLiteral("7")));
        QCoreApplication::postEvent(
            Button("Button_Out"),
            new QMouseEvent(QEvent::MouseButtonPress, QPointF(5, 5), QPointF(5, 5), Qt::LeftButton,
                            Qt::LeftButton, Qt::NoModifier));
    };
    Button("Button_FormFile")->click();
    Button("Button_Out")->click();
    QCoreApplication::processEvents();
    EXPECT_TRUE(playingFlag);
    EXPECT_EQ(statusDuringPlayback, QStringLiteral(" Выдача сигнала: 25 %"));
    EXPECT_EQ(field->text(), "5");
    EXPECT_EQ(sound.playedPaths.size(), 1u);  // the click did not start a second send
    EXPECT_FALSE(form->playing());

    QTest::keyClick(field, Qt::Key_End);
    QTest::keyClick(field, Qt::Key_7);  // afterwards input is taken again
    EXPECT_EQ(field->text(), "57");
}

TEST_F(Send, RealSoundOutputWithNoSoundServerSaysSoAndReturns) {
    qputenv("PULSE_SERVER", "unix:/nonexistent/tornel-test-no-server");
    const auto real = platform::MakeSystemSoundBackend("tornel-test")->MakeSoundOutput();
    Recreate({}, {}, real.get());
    Button("Button_FormFile")->click();
    Button("Button_Out")->click();
    qunsetenv("PULSE_SERVER");
    EXPECT_TRUE(Status().startsWith(QStringLiteral(" Сигнал не выдан: ")))
        << Status().toStdString();
    EXPECT_GT(Status().size(), QStringLiteral(" Сигнал не выдан: ").size());  // with the reason
    EXPECT_FALSE(form->playing());
}

}  // namespace
}  // namespace tornel::app::testing
