// "Передатчик" in "Настройки звука": every kind of keying goes through the dialog and comes back
// as the same choice, a choice the fields do not make keeps the dialog open, and "проверка PTT"
// keys the transmitter for a second.

#include <gmock/gmock.h>

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QSpinBox>
#include <QTest>

#include "app/sound_dialog.h"
#include "app/transmitter_box.h"
#include "tests/ptt/fake_transmitter.h"
#include "window_fixture.h"

namespace tornel::app::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

class TransmitterSetup : public WindowTest {
  protected:
    std::unique_ptr<SoundDialog> Dialog(const SoundSettings& current) {
        return std::make_unique<SoundDialog>(*state->devices.sound, current, nullptr,
                                             fake.Opener());
    }
    template <typename T>
    static T* In(QWidget* dialog, const char* name) {
        return dialog->findChild<T*>(QString::fromLatin1(name));
    }
    test::FakeOpener fake;
};

TEST_F(TransmitterSetup, EveryKindComesBackAsItWasChosen) {
    for (const char* text :
         {"none", "vox", "cat:3073:/dev/ttyUSB0:38400", "cat:1:/dev/ttyS0", "rts:/dev/ttyUSB1",
          "dtr:/dev/ttyACM0", "cm108:/dev/hidraw3:2", "rigctld:radio.local:4533"}) {
        SCOPED_TRACE(text);
        const SoundSettings current{.transmitter = ptt::ParsePttChoice(text),
                                    .keying = {.txDelayMs = 450, .txTailMs = 0}};
        const auto dialog = Dialog(current);
        EXPECT_EQ(dialog->chosen().transmitter, current.transmitter);
        EXPECT_EQ(dialog->chosen().keying, current.keying);
    }
}

TEST_F(TransmitterSetup, AChoiceTheFieldsDoNotMakeKeepsTheDialogOpen) {
    const auto dialog = Dialog({.transmitter = ptt::ParsePttChoice("rts:/dev/ttyUSB0")});
    In<QComboBox>(dialog.get(), "ComboBox_PttDevice")->setCurrentText(QString());
    dialog->show();
    In<QDialogButtonBox>(dialog.get(), "ButtonBox")->button(QDialogButtonBox::Ok)->click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_THAT(In<QLabel>(dialog.get(), "Label_PttNote")->text().toStdString(),
                HasSubstr("Передатчик задан неверно: неверное значение \"rts:\": не задан порт"));
}

TEST_F(TransmitterSetup, PttCheckKeysForOneSecond) {
    const auto dialog = Dialog({.transmitter = ptt::ParsePttChoice("rigctld:localhost:4532")});
    const auto start = std::chrono::steady_clock::now();
    In<QPushButton>(dialog.get(), "Button_PttCheck")->click();
    EXPECT_THAT(fake.tx.Levels(), ElementsAre(true));
    EXPECT_TRUE(QTest::qWaitFor([&] { return fake.tx.Levels().size() == 2; }, 10000));
    EXPECT_THAT(fake.tx.Levels(), ElementsAre(true, false));
    EXPECT_GE(fake.tx.Edges()[1].at - start, std::chrono::milliseconds(kPttCheckMs));
    EXPECT_THAT(In<QLabel>(dialog.get(), "Label_PttNote")->text().toStdString(),
                HasSubstr("включался на 1 с"));
}

}  // namespace
}  // namespace tornel::app::testing
