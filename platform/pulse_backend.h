#pragma once
// The PulseAudio backend: the streams and device lists of SoundBackend made on PulseAudio's
// client library. Only platform/ includes this header; everything else goes through SoundBackend.

#include <memory>
#include <string>

#include "platform/sound_backend.h"

namespace tornel::platform::pulse {

std::unique_ptr<SoundBackend> MakeBackend(const std::string& applicationName);

// The parts, one per source file.
std::unique_ptr<SoundOutput> MakeFilePlayback(const std::string& applicationName);
std::unique_ptr<ToneOutput> MakeToneOutput(const std::string& applicationName);
std::unique_ptr<SoundInput> MakeSoundInput(const std::string& applicationName,
                                           const std::string& device);
SoundDevices ListDevices(const std::string& applicationName);
std::unique_ptr<DeviceWatch> WatchDevices(const std::string& applicationName);
std::unique_ptr<BackgroundPlayback> StartPlayback(const std::string& applicationName,
                                                  std::vector<std::int16_t> samples, int rate,
                                                  const PlaybackTarget& target);

}  // namespace tornel::platform::pulse
