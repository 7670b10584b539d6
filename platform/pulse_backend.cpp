#include "platform/pulse_backend.h"

#include <utility>

#include "platform/pulse_stream.h"

namespace tornel::platform::pulse {

namespace {

class PulseStreams : public SoundStreams {
  public:
    explicit PulseStreams(std::string applicationName)
        : applicationName_(std::move(applicationName)) {}

    std::unique_ptr<OutputStream> OpenOutput(const OutputRequest& request) override {
        return std::make_unique<PlaybackStream>(applicationName_, request,
                                                SteadyClock::now() + kConnectLimit);
    }
    std::unique_ptr<SoundInput> OpenInput(const std::string& device) override {
        return MakeSoundInput(applicationName_, device);
    }
    SoundDevices ListDevices() override { return pulse::ListDevices(applicationName_); }
    std::unique_ptr<DeviceWatch> WatchDevices() override {
        return pulse::WatchDevices(applicationName_);
    }

  private:
    std::string applicationName_;
};

}  // namespace

std::shared_ptr<SoundStreams> MakeStreams(const std::string& applicationName) {
    return std::make_shared<PulseStreams>(applicationName);
}

}  // namespace tornel::platform::pulse
