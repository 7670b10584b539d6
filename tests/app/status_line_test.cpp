// The status line shows one line of its font, with the key part of each message first; what does
// not fit is cut at the end and stands whole in the tooltip.

#include <QFontMetrics>
#include <fstream>

#include "app/status_line.h"
#include "signal/wav_writer.h"
#include "window_fixture.h"

namespace tornel::app::testing {
namespace {

class StatusLine : public WindowTest {
  protected:
    QLabel* Line() const { return Control<QLabel>("StaticText_Error"); }
    // The text as shown takes no more than one line of the status box.
    bool OnOneLine() const {
        return QFontMetrics(Line()->font()).horizontalAdvance(Status()) <= StatusLineRoom(*Line());
    }
};

// The widest value each field can end up with (its maximum + 1, typed), in full on one line.
TEST_F(StatusLine, OutOfRangeShowsValueAndRangeWholeAndTheFieldsNameInTheTooltip) {
    for (std::size_t i = 0; i < kParameterTable.size(); ++i) {
        const ParameterField& f = kParameterTable[i];
        Recreate({});
        SpinEdit* field = Field(("SpinEdit_" + std::to_string(i + 1)).c_str());
        if (!field->isEnabled()) {
            Box(("CheckBox_" + std::to_string(f.box)).c_str())->click();
        }
        TypeInto(field, QString::number(f.max + 1));
        Button("Button_FormFile")->click();
        EXPECT_EQ(Status(), OutOfRangeStatus(static_cast<int>(i), f.max + 1)) << f.name;
        EXPECT_TRUE(OnOneLine()) << Status().toStdString();
        EXPECT_TRUE(StatusTip().contains(QString::fromUtf8(f.name))) << f.name;
    }
}

// After a send the line differs from the one after "сформировать": it names the output, whole
// when the name is short, cut at the end when it is long.
TEST_F(StatusLine, CompletedSendNamesItsOutputAfterTheBuildStatus) {
    Button("Button_FormFile")->click();
    const QString built = Status();
    EXPECT_EQ(built, QString::fromUtf8(kStatusNoErrors));
    Button("Button_Out")->click();
    const QString output = QString::fromStdString(sound.result.deviceDescription);
    EXPECT_EQ(Status(), built + QStringLiteral("  выдано: «%1»").arg(output));
    EXPECT_TRUE(OnOneLine());

    const QString longName(200, u'щ');
    sound.result.deviceDescription = longName.toStdString();
    Button("Button_Out")->click();
    EXPECT_TRUE(Status().startsWith(built + QStringLiteral("  выдано: «щ")));
    EXPECT_TRUE(Status().endsWith(u'…'));
    EXPECT_TRUE(OnOneLine());
    EXPECT_TRUE(StatusTip().contains(longName));
}

// A refused file: the reason first, the file's path only in the tooltip; the recording's reason
// does not say "в записи" twice.
TEST_F(StatusLine, RefusedFileGivesTheReasonFirst) {
    const std::filesystem::path work(dir.path().toStdString());
    const std::filesystem::path folder = work / std::string(120, 'd');
    std::filesystem::create_directory(folder);
    const std::filesystem::path silence = folder / "silence.wav";
    {
        std::ofstream out(silence, std::ios::binary);
        out.write(reinterpret_cast<const char*>(WavHeader().data()), kWavHeaderBytes);
        out << std::string(kWavDataBytes, '\0');
    }
    chosenFile = QString::fromStdString(silence.string());
    Button("Button1")->click();
    EXPECT_TRUE(Status().startsWith(QStringLiteral(" Не считано: нет пакета")))
        << Status().toStdString();
    EXPECT_TRUE(OnOneLine());
    EXPECT_TRUE(StatusTip().contains(chosenFile));
    EXPECT_EQ(StatusTip().count(QStringLiteral("в записи")), 1) << StatusTip().toStdString();
}

}  // namespace
}  // namespace tornel::app::testing
