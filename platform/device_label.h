#pragma once
// How the program names a sound device to the operator: in the sound setup's lists, in the
// remembered choice and in the status line after a send.

#include <string>
#include <vector>

#include "platform/sound_streams.h"

namespace tornel::platform {

// The label of `device` among `devices` (the server's devices of its kind, with or without it):
// its description; where another device there has the same description (two "Null Output"), the
// server's name beside it, "Null Output (card2)", so that the two can be told apart. A device
// without a description is named by its server's name.
std::string DeviceLabel(const std::vector<SoundDevice>& devices, const SoundDevice& device);

}  // namespace tornel::platform
