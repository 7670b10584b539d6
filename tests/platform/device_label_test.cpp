// How a device is named to the operator among the devices of its kind.

#include <gtest/gtest.h>

#include "platform/device_label.h"

namespace tornel::platform {
namespace {

const SoundDevice kCard1{"card1", "Null Output"};
const SoundDevice kCard2{"card2", "Null Output"};
const SoundDevice kUsb{"usb", "USB Audio"};
const SoundDevice kNoDescription{"hdmi", ""};

struct Case {
    const char* what;
    std::vector<SoundDevice> devices;
    SoundDevice device;
    std::string label;
};

TEST(DeviceLabel, NamesTheServersDeviceBesideADescriptionAnotherShares) {
    const std::vector<Case> cases{
        {"its description alone is unique", {kCard1, kUsb}, kCard1, "Null Output"},
        {"two alike are told apart", {kCard1, kCard2, kUsb}, kCard2, "Null Output (card2)"},
        {"the other of the two", {kCard1, kCard2, kUsb}, kCard1, "Null Output (card1)"},
        {"the others alike do not touch a unique one", {kCard1, kCard2, kUsb}, kUsb, "USB Audio"},
        {"an absent one alike a present one", {kCard1, kUsb}, kCard2, "Null Output (card2)"},
        {"an absent one unlike the present ones", {kUsb}, kCard2, "Null Output"},
        {"alone in an empty list", {}, kCard1, "Null Output"},
        {"no description: its name", {kCard1, kNoDescription}, kNoDescription, "hdmi"},
        {"descriptions differing in case differ",
         {kCard1, {"x", "null output"}},
         kCard1,
         "Null Output"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DeviceLabel(c.devices, c.device), c.label) << c.what;
    }
}

}  // namespace
}  // namespace tornel::platform
