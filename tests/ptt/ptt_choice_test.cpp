#include "ptt/ptt_choice.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tornel::ptt {
namespace {

using ::testing::HasSubstr;

struct GoodChoice {
    const char* text;
    PttChoice choice;
};

TEST(PttChoice, ReadsEveryFormAndWritesItBack) {
    const GoodChoice cases[] = {
        {"none", {}},
        {"vox", {.kind = PttKind::Vox}},
        {"cat:1:/dev/ttyUSB0", {.kind = PttKind::Cat, .model = 1, .device = "/dev/ttyUSB0"}},
        {"cat:3073:/dev/ttyACM0:38400",
         {.kind = PttKind::Cat, .model = 3073, .device = "/dev/ttyACM0", .speed = 38400}},
        {"rts:/dev/ttyS0", {.kind = PttKind::Rts, .device = "/dev/ttyS0"}},
        // A device path may hold colons of its own.
        {"dtr:/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0",
         {.kind = PttKind::Dtr,
          .device = "/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0"}},
        {"cm108:/dev/hidraw1", {.kind = PttKind::Cm108, .device = "/dev/hidraw1"}},
        {"cm108:/dev/hidraw1:8", {.kind = PttKind::Cm108, .device = "/dev/hidraw1", .pin = 8}},
        {"rigctld:127.0.0.1:4532", {.kind = PttKind::Rigctld, .device = "127.0.0.1", .port = 4532}},
    };
    for (const GoodChoice& c : cases) {
        SCOPED_TRACE(c.text);
        const PttChoice choice = ParsePttChoice(c.text);
        EXPECT_EQ(choice, c.choice);
        EXPECT_EQ(ParsePttChoice(PttChoiceText(choice)), choice);
        EXPECT_EQ(choice.Keys(), choice.kind != PttKind::None && choice.kind != PttKind::Vox);
    }
}

struct BadChoice {
    std::string text;
    const char* problem;
};

TEST(PttChoice, RefusesNonsenseNamingWhatIsWrongAndWhatIsAllowed) {
    const BadChoice cases[] = {
        {"", "пустое значение"},
        {"ptt", "неизвестный способ \"ptt\""},
        {"cat:1", "нужны модель и порт"},
        {"cat:abc:/dev/ttyUSB0", "модель hamlib"},
        {"cat:1::9600", "не задан порт"},
        {"cat:1:/dev/ttyUSB0:1234", "скорость 1234"},
        {"rts:", "не задан порт"},
        {"cm108:/dev/hidraw0:" + std::to_string(kCm108MaxPin + 1), "вывод GPIO"},
        {"cm108:/dev/hidraw0:0", "вывод GPIO"},
        {"rigctld:localhost", "нужны адрес и порт"},
        {"rigctld:localhost:65536", "порт должен быть"},
    };
    for (const BadChoice& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            ParsePttChoice(c.text);
            ADD_FAILURE() << "accepted";
        } catch (const PttChoiceError& e) {
            EXPECT_THAT(e.what(), HasSubstr(c.problem));
            EXPECT_THAT(e.what(), HasSubstr(PttChoiceForms()));
        }
    }
}

}  // namespace
}  // namespace tornel::ptt
