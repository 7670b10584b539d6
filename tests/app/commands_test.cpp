// The enabling boxes, "сформировать" and the packet dump.

#include "window_fixture.h"

namespace tornel::app::testing {
namespace {

using Commands = WindowTest;

// A field that looks enabled is sent; one whose box is clear is sent as 0 and must look so.
TEST_F(Commands, FieldsFollowTheirBoxesFromTheStart) {
    for (auto [box, field] :
         {std::pair{"CheckBox_5", "SpinEdit_5"}, std::pair{"CheckBox_6", "SpinEdit_7"},
          std::pair{"CheckBox_8", "SpinEdit_8"}, std::pair{"CheckBox_9", "SpinEdit_9"},
          std::pair{"CheckBox_10", "SpinEdit_12"}}) {
        EXPECT_EQ(Field(field)->isEnabled(), Box(box)->isChecked()) << field;
    }
    QCheckBox* box = Box("CheckBox_8");
    SpinEdit* field = Field("SpinEdit_8");
    EXPECT_FALSE(field->isEnabled());
    box->click();
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(field->isEnabled());
    box->click();
    EXPECT_FALSE(box->isChecked());
    EXPECT_FALSE(field->isEnabled());
}

TEST_F(Commands, Box6DisablesParameters6And7AndKeepsTheirValues) {
    Box("CheckBox_6")->click();
    EXPECT_FALSE(Field("SpinEdit_6")->isEnabled());
    EXPECT_FALSE(Field("SpinEdit_7")->isEnabled());
    EXPECT_EQ(Field("SpinEdit_6")->TypedValueUnclamped(), 60);
    EXPECT_EQ(Field("SpinEdit_7")->TypedValueUnclamped(), 20);
    EXPECT_TRUE(Field("SpinEdit_5")->isEnabled());
}

TEST_F(Commands, Box10GovernsAllThreeDurationsAndBoxes5And9TheirOwnField) {
    Box("CheckBox_10")->click();
    Box("CheckBox_10")->click();
    for (const char* name : {"SpinEdit_10", "SpinEdit_11", "SpinEdit_12"}) {
        EXPECT_FALSE(Field(name)->isEnabled()) << name;
    }
    Box("CheckBox_5")->click();
    EXPECT_FALSE(Field("SpinEdit_5")->isEnabled());
    Box("CheckBox_9")->click();
    EXPECT_TRUE(Field("SpinEdit_9")->isEnabled());
}

TEST_F(Commands, BuildFillsTheListingsAndTheStatusAndShowsSend) {
    Button("Button_FormFile")->click();
    EXPECT_EQ(Status(), QStringLiteral(" *** нет ошибок ***"));
    EXPECT_TRUE(Shown(Button("Button_Out")));

    const QStringList parameters = MemoLines("Memo1");
    ASSERT_EQ(parameters.size(), 8);
    EXPECT_EQ(parameters.front(), " 2 -   5");
    EXPECT_EQ(parameters.back(), "11 -   0");
    const QStringList trace = MemoLines("Memo2");
    ASSERT_EQ(trace.size(), 14);
    EXPECT_EQ(trace.front(), " 0  F1D1");
    EXPECT_EQ(trace.back(), "13  0DDA");
    const QStringList packet = MemoLines("Memo_MasIsh");
    ASSERT_EQ(packet.size(), 16);
    EXPECT_EQ(packet[0], " 0    1");
    EXPECT_EQ(packet[15], "15  218");
    EXPECT_EQ(state->packet, (Packet{1, 2, 5, 1, 30, 1, 60, 60, 20, 0, 0, 0, 30, 40, 13, 218}));
}

TEST_F(Commands, BuildReadsTheBoxesNotTheEnabledState) {
    Box("CheckBox_9")->click();  // set: parameter 9 goes out
    Field("SpinEdit_9")->setValue(1900);
    Box("CheckBox_10")->click();
    Button("Button_FormFile")->click();
    EXPECT_EQ(state->packet[10], 190);
    EXPECT_EQ(state->packet[11], 20);
    Box("CheckBox_10")->click();  // cleared: only the first duration is zeroed
    Button("Button_FormFile")->click();
    EXPECT_EQ(state->packet[11], 0);
    EXPECT_EQ(state->packet[12], 30);
    EXPECT_EQ(state->packet[13], 40);
}

TEST_F(Commands, ValueStillOutOfRangeIsReportedAndNotBuilt) {
    TypeInto(Field("SpinEdit_3"), "300");
    Button("Button_FormFile")->click();
    EXPECT_TRUE(Status().contains(QStringLiteral("вне диапазона"))) << Status().toStdString();
    EXPECT_EQ(state->packet, InitialPacket());
    EXPECT_EQ(MemoLines("Memo_MasIsh"), QStringList{"Memo1"});
}

TEST_F(Commands, DumpShowsThePacketAsItStandsBeforeAndAfterTheFirstBuild) {
    Button("Button3")->click();
    QStringList dump = MemoLines("Memo1");
    ASSERT_EQ(dump.size(), 16);
    EXPECT_EQ(dump[0], "  0  00");
    EXPECT_EQ(dump[14], " 14  EE");
    EXPECT_EQ(dump[15], " 15  FF");

    Button("Button_FormFile")->click();
    Button("Button3")->click();
    dump = MemoLines("Memo1");
    ASSERT_EQ(dump.size(), 16);
    EXPECT_EQ(dump[0], "  0  01");
    EXPECT_EQ(dump[1], "  1  02");
    EXPECT_EQ(dump[14], " 14  0D");
    EXPECT_EQ(dump[15], " 15  DA");
}

TEST_F(Commands, AlphaFieldSetsTheFilterCoefficient) {
    Field("SpinEdit_Alfa")->setValue(35);
    EXPECT_DOUBLE_EQ(state->synth.alpha(), 0.35);
    Field("SpinEdit_Alfa")->setValue(0);
    EXPECT_DOUBLE_EQ(state->synth.alpha(), 0.0);
}

TEST_F(Commands, SoundBoxWritesTheSoundFlag) {
    Box("CheckBox_Zwuk")->click();
    EXPECT_FALSE(state->speaker.SoundEnabled());
    Box("CheckBox_Zwuk")->click();
    EXPECT_TRUE(state->speaker.SoundEnabled());
}

}  // namespace
}  // namespace tornel::app::testing
