// "считать" and "сохранить": parameter sets and recordings through the window's file dialog (a
// chooser standing in for it), round trips, the command line reading what the window wrote, and
// every bad input leaving the window as it was.

#include <sys/stat.h>
#include <unistd.h>

#include <QGroupBox>
#include <fstream>
#include <random>

#include "packet/crc.h"
#include "sets/parameter_set_file.h"
#include "signal/wav_writer.h"
#include "tests/support/run_process.h"
#include "window_fixture.h"

namespace tornel::app::testing {
namespace {

namespace fs = std::filesystem;

class ParameterSets : public WindowTest {
  protected:
    // Types the set into the fields and clicks the boxes that differ.
    void Enter(const PacketInputs& in) {
        for (int i = 0; i < kFieldCount; ++i) {
            Field(("SpinEdit_" + std::to_string(i + 1)).c_str())
                ->setValue(in.fields[static_cast<std::size_t>(i)]);
        }
        for (const EnablingBox& box : kEnablingBoxes) {
            QCheckBox* b = Box(("CheckBox_" + std::to_string(box.parameter)).c_str());
            if (b->isChecked() != in.boxes.*(box.state)) {
                b->click();
            }
        }
    }

    fs::path Path(const char* name) const { return fs::path(dir.path().toStdString()) / name; }
};

PacketInputs RandomInputs(std::mt19937& rng) {
    PacketInputs in;
    for (std::size_t i = 0; i < kParameterTable.size(); ++i) {
        in.fields[i] = std::uniform_int_distribution<std::int32_t>(kParameterTable[i].min,
                                                                   kParameterTable[i].max)(rng);
    }
    std::bernoulli_distribution coin(0.5);
    for (const EnablingBox& box : kEnablingBoxes) {
        in.boxes.*(box.state) = coin(rng);
    }
    return in;
}

TEST_F(ParameterSets, GroupIsShownRightOfTheCommandPanelOverlappingNothing) {
    auto* group = Control<QGroupBox>("GroupBox29");
    EXPECT_TRUE(Shown(group));
    EXPECT_EQ(group->title(), QStringLiteral(" установки "));
    EXPECT_EQ(Button("Button1")->text(), QStringLiteral("считать"));
    EXPECT_EQ(Button("Button4")->text(), QStringLiteral("сохранить"));
    const QRect panel = Control<QWidget>("Panel3")->geometry();
    EXPECT_GE(group->x(), panel.right());
    EXPECT_LE(group->geometry().right(), group->parentWidget()->width());
    EXPECT_LE(group->geometry().bottom(), group->parentWidget()->height());
    for (QWidget* sibling :
         group->parentWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (sibling != group && Shown(sibling) && sibling->objectName() != "Panel1") {
            EXPECT_FALSE(sibling->geometry().intersects(group->geometry()))
                << sibling->objectName().toStdString();
        }
    }
    // Room below the two buttons for a third.
    EXPECT_GE(group->height() - Button("Button4")->geometry().bottom(),
              Button("Button4")->height() + 2);
}

TEST_F(ParameterSets, WindowFileWindowRestoresEveryFieldAndBoxForManySets) {
    std::mt19937 rng(12);
    for (int round = 0; round < 25; ++round) {
        const PacketInputs set = RandomInputs(rng);
        const fs::path file = Path(("set" + std::to_string(round) + ".json").c_str());
        Choose(file);
        Enter(set);
        Button("Button4")->click();
        EXPECT_TRUE(Status().contains(QString::fromStdString(file.filename().string())));
        Recreate({});
        Button("Button1")->click();
        ASSERT_EQ(ShownInputs(), set) << "round " << round;
        EXPECT_EQ(Status(), QStringLiteral(" Считано из файла ") +
                                QString::fromStdString(file.filename().string()));
        for (std::size_t i = 0; i < kParameterTable.size(); ++i) {  // the handlers have run
            const bool* box = BoxOf(kParameterTable[i].box, set.boxes);
            EXPECT_EQ(Field(("SpinEdit_" + std::to_string(i + 1)).c_str())->isEnabled(),
                      box == nullptr || *box);
        }
    }
    EXPECT_EQ(dialogFolder, dir.path());  // the folder of the last file
}

// The command line reads what the window wrote, and the window reads what the command line wrote.
TEST_F(ParameterSets, WindowAndCommandLineReadEachOthersSets) {
    std::mt19937 rng(7);
    const PacketInputs set = RandomInputs(rng);
    Choose(Path("window.json"));
    Enter(set);
    Button("Button4")->click();
    const auto copied =
        test::RunProcess(test::CliPath(), {"packet", "--load", Path("window.json").string(), "--p2",
                                           "9", "--save", Path("cli.json").string()});
    ASSERT_EQ(copied.status, 0) << copied.err;
    Choose(Path("cli.json"));
    Button("Button1")->click();
    PacketInputs expected = set;
    expected.fields[1] = 9;
    EXPECT_EQ(ShownInputs(), expected);
}

// A field whose box was clear when sent came as 0: it keeps the value the window has for it now.
TEST_F(ParameterSets, SignalWrittenBySendLoadsBackIntoTheFields) {
    PacketInputs set;
    set.fields = {7, 3, 40, 2, 99, 20, 31, 77, 1300, 5, 4, 3};
    set.boxes = {true, false, true, true, true};
    Enter(set);
    Button("Button_Out")->click();  // writes "_qq.wav" and plays it to the fake output
    Recreate({});
    PacketInputs meanwhile;
    meanwhile.fields[5] = 44;  // neither the value sent nor the design value
    Enter(meanwhile);
    Choose(Path(kWavFileName));
    Button("Button1")->click();
    PacketInputs expected = set;
    expected.fields[5] = meanwhile.fields[5];
    EXPECT_EQ(ShownInputs(), expected) << Status().toStdString();
    EXPECT_FALSE(Field("SpinEdit_6")->isEnabled());
}

// A cancelled dialog loads nothing, writes nothing, says nothing and keeps the folder it opened in.
TEST_F(ParameterSets, CancelledDialogChangesNothing) {
    Choose(Path("kept.json"));
    Button("Button4")->click();
    const QString status = Status();
    const PacketInputs shown = ShownInputs();
    chosenFile.clear();
    for (const char* button : {"Button4", "Button1", "Button4"}) {
        Button(button)->click();
        EXPECT_EQ(dialogFolder, dir.path()) << button;
        EXPECT_EQ(Status(), status) << button;
        EXPECT_EQ(ShownInputs(), shown) << button;
    }
    const auto files = std::distance(fs::directory_iterator(Path("")), fs::directory_iterator());
    EXPECT_EQ(files, 2) << "kept.json and the settings folder only";
}

// Each bad input: a Russian message naming the file (and the field), and no change in the window.
TEST_F(ParameterSets, BadInputsChangeNothing) {
    const std::string good = ParameterSetText({"", PacketInputs{}});
    auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    Synthesizer synth;
    // A recording of the design packet with `byte` set to `value`, its CRC made to match it
    // unless `breakCrc`.
    auto record = [&](const char* file, int byte, std::uint8_t value, bool breakCrc = false) {
        Packet packet = BuildPacket(PacketInputs{}).packet;
        packet[static_cast<std::size_t>(byte)] = value;
        const std::uint16_t crc = PacketCrc16(std::span(packet).first(14)).crc;
        packet[14] = static_cast<std::uint8_t>(crc >> 8);
        packet[15] = static_cast<std::uint8_t>((crc & 0xFF) ^ (breakCrc ? 1 : 0));
        WriteWavFile(synth, packet, true, Path(""));
        fs::rename(Path(kWavFileName), Path(file));
    };
    record("badcrc.wav", 0, 1, true);
    record("half.wav", kParameterTable[10].byte, 25);  // a pause of 2.5 s
    record("zero.wav", kParameterTable[0].byte, 0);    // below the field's range
    std::ofstream(Path("silence.wav"), std::ios::binary)
            .write(reinterpret_cast<const char*>(WavHeader().data()), kWavHeaderBytes)
        << std::string(kWavDataBytes, '\0');
    mkfifo(Path("pipe").c_str(), 0600);
    fs::create_directory(Path("folder"));

    struct Case {
        const char* file;
        std::string content;  // written when not empty
        const char* says;
    };
    const std::vector<Case> cases{
        {"malformed.json", good.substr(0, good.size() / 2), "испорченный JSON"},
        {"type.json", replaced("\"p3\": 30", "\"p3\": \"30\""), "p3 (задержка на отключение"},
        {"fraction.json", replaced("\"p3\": 30", "\"p3\": 30.5"), "p3 (задержка на отключение"},
        {"boxtype.json", replaced("\"p8\": false", "\"p8\": 1"), "boxes.p8: ожидалось true"},
        {"range.json", replaced("\"p9\": 1750", "\"p9\": 1950"), "p9 (частота открывающего"},
        {"missing.json", replaced("\"pause\": 3,", ""), "нет поля p10.pause"},
        {"missingbox.json", replaced("\"p8\": false,", ""), "нет поля boxes.p8"},
        {"format.json", replaced("tornel4-parameters", "other"), "неизвестный формат"},
        {"version.json", replaced("\"version\": 1", "\"version\": 2"), "версия 2 новее"},
        {"version0.json", replaced("\"version\": 1", "\"version\": 0"), "целое число от 1"},
        {"big.json", good + std::string(kMaxParameterSetBytes, ' '), "больше 1 МБ"},
        {"binary.json",
         std::string("\x7f"
                     "ELF\0\0\1",
                     7),
         "двоичный файл"},
        {"folder", "", "это папка"},
        {"pipe", "", "не обычный файл"},
        {"missing-file.json", "", "не удаётся открыть"},
        {"silence.wav", "", "нет пакета"},
        {"badcrc.wav", "", "неверной CRC"},
        {"half.wav", "", "= 2.5"},
        {"zero.wav", "", "целые числа 1..100"},
    };
    PacketInputs before;
    before.fields[0] = 42;
    before.boxes.box9 = true;
    Enter(before);
    for (const Case& c : cases) {
        if (!c.content.empty()) {
            std::ofstream(Path(c.file), std::ios::binary) << c.content;
        }
        Choose(Path(c.file));
        Button("Button1")->click();
        EXPECT_EQ(ShownInputs(), before) << c.file;
        EXPECT_TRUE(Status().startsWith(QStringLiteral(" Не считано: "))) << Status().toStdString();
        EXPECT_TRUE(StatusTip().contains(QString::fromUtf8(c.says))) << StatusTip().toStdString();
        EXPECT_TRUE(StatusTip().contains(QString::fromUtf8(c.file))) << StatusTip().toStdString();
    }
    // An unreadable file (root reads everything: nothing to try then).
    if (geteuid() != 0) {
        std::ofstream(Path("locked.json")) << good;
        fs::permissions(Path("locked.json"), fs::perms::none);
        Choose(Path("locked.json"));
        Button("Button1")->click();
        EXPECT_EQ(ShownInputs(), before);
        EXPECT_TRUE(StatusTip().contains(QStringLiteral("нет доступа")))
            << StatusTip().toStdString();
    }
}

TEST_F(ParameterSets, TypedValueOutOfRangeIsNotSaved) {
    Choose(Path("typed.json"));
    TypeInto(Field("SpinEdit_3"), QStringLiteral("300"));
    Button("Button4")->click();
    EXPECT_FALSE(fs::exists(Path("typed.json")));
    EXPECT_TRUE(Status().contains(QStringLiteral("вне диапазона"))) << Status().toStdString();
}

}  // namespace
}  // namespace tornel::app::testing
