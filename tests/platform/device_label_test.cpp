// How a device is named to the operator among the devices of its kind.

#include <gtest/gtest.h>

#include "platform/device_label.h"

namespace tornel::platform {
namespace {

TEST(DeviceLabel, NamesTheServersDeviceBesideADescriptionAnotherShares) {
    const SoundDevice card1{"card1", "Null Output"}, card2{"card2", "Null Output"};
    const SoundDevice usb{"usb", "USB Audio"}, bare{"hdmi", ""};
    const struct {
        std::vector<SoundDevice> devices;
        SoundDevice device;
        std::string label;
    } cases[] = {
        {{card1, usb}, card1, "Null Output"},                   // unique
        {{card1, card2, usb}, card2, "Null Output (card2)"},    // two alike
        {{card1, card2, usb}, usb, "USB Audio"},                // beside two alike
        {{card1, usb}, card2, "Null Output (card2)"},           // absent, alike a present one
        {{usb}, card2, "Null Output"},                          // absent, unlike the others
        {{card1, bare}, bare, "hdmi"},                          // no description
        {{card1, {"x", "null output"}}, card1, "Null Output"},  // case differs
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DeviceLabel(c.devices, c.device), c.label) << c.label;
    }
}

}  // namespace
}  // namespace tornel::platform
