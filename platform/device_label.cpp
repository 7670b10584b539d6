#include "platform/device_label.h"

#include <algorithm>

namespace tornel::platform {

std::string DeviceLabel(const std::vector<SoundDevice>& devices, const SoundDevice& device) {
    if (device.description.empty()) {
        return device.name;
    }
    const bool shared = std::ranges::any_of(devices, [&](const SoundDevice& other) {
        return other.name != device.name && other.description == device.description;
    });
    return shared ? device.description + " (" + device.name + ")" : device.description;
}

}  // namespace tornel::platform
