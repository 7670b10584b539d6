#include "platform/pulse_backend.h"

#include <utility>

namespace tornel::platform::pulse {

namespace {

class PulseBackend : public SoundBackend {
  public:
    explicit PulseBackend(std::string applicationName)
        : applicationName_(std::move(applicationName)) {}

    std::unique_ptr<SoundOutput> MakeSoundOutput() override {
        return MakeFilePlayback(applicationName_);
    }
    std::unique_ptr<ToneOutput> MakeToneOutput() override {
        return pulse::MakeToneOutput(applicationName_);
    }
    std::unique_ptr<SoundInput> MakeSoundInput(const std::string& device) override {
        return pulse::MakeSoundInput(applicationName_, device);
    }
    SoundDevices ListDevices() override { return pulse::ListDevices(applicationName_); }
    std::unique_ptr<DeviceWatch> WatchDevices() override {
        return pulse::WatchDevices(applicationName_);
    }
    std::unique_ptr<BackgroundPlayback> StartPlayback(std::vector<std::int16_t> samples, int rate,
                                                      const PlaybackTarget& target) override {
        return pulse::StartPlayback(applicationName_, std::move(samples), rate, target);
    }

  private:
    std::string applicationName_;
};

}  // namespace

std::unique_ptr<SoundBackend> MakeBackend(const std::string& applicationName) {
    return std::make_unique<PulseBackend>(applicationName);
}

}  // namespace tornel::platform::pulse
