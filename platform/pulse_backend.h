#pragma once
// The PulseAudio backend: the raw streams and device lists of SoundStreams on PulseAudio's client
// library. Only platform/ includes this header; everything else goes through SoundBackend.

#include <memory>
#include <string>

#include "platform/sound_streams.h"

namespace tornel::platform::pulse {

std::shared_ptr<SoundStreams> MakeStreams(const std::string& applicationName);

// The parts, one per source file.
std::unique_ptr<SoundInput> MakeSoundInput(const std::string& applicationName,
                                           const std::string& device);
SoundDevices ListDevices(const std::string& applicationName);
std::unique_ptr<DeviceWatch> WatchDevices(const std::string& applicationName);

}  // namespace tornel::platform::pulse
