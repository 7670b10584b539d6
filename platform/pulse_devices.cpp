// The device lists of the PulseAudio server: read once, or kept up to date through the server's
// change events.

#include <optional>
#include <utility>

#include "platform/pulse_backend.h"
#include "platform/pulse_stream.h"

namespace tornel::platform::pulse {

namespace {

// While there is no server, the watch tries to reach one this often.
constexpr auto kReconnectInterval = std::chrono::seconds(2);

// A sink or a source as the lists show it: its description, or its name when it has none.
template <typename Info>
SoundDevice DeviceOf(const Info& info) {
    return {.name = info.name, .description = info.description ? info.description : info.name};
}

void MarkDefault(std::vector<SoundDevice>& devices, const std::string& defaultName) {
    for (SoundDevice& device : devices) {
        device.isDefault = device.name == defaultName;
    }
}

// The outputs and inputs and which of them are the defaults, read on `connection` within
// `deadline`.
SoundDevices ReadDevices(Connection& connection, SteadyClock::time_point deadline) {
    struct Reading {
        bool serverDone = false;
        bool outputsDone = false;
        bool inputsDone = false;
        std::string defaultOutput;
        std::string defaultInput;
        SoundDevices devices;
    } reading;
    auto onServer = [](pa_context*, const pa_server_info* info, void* userdata) {
        auto* r = static_cast<Reading*>(userdata);
        if (info != nullptr && info->default_sink_name != nullptr) {
            r->defaultOutput = info->default_sink_name;
        }
        if (info != nullptr && info->default_source_name != nullptr) {
            r->defaultInput = info->default_source_name;
        }
        r->serverDone = true;
    };
    auto onOutput = [](pa_context*, const pa_sink_info* info, int eol, void* userdata) {
        auto* r = static_cast<Reading*>(userdata);
        if (eol != 0) {
            r->outputsDone = true;
        } else if (info != nullptr) {
            r->devices.outputs.push_back(DeviceOf(*info));
        }
    };
    // The monitor of an output hears what is played, not what comes in: it is left out.
    auto onInput = [](pa_context*, const pa_source_info* info, int eol, void* userdata) {
        auto* r = static_cast<Reading*>(userdata);
        if (eol != 0) {
            r->inputsDone = true;
        } else if (info != nullptr && info->monitor_of_sink == PA_INVALID_INDEX) {
            r->devices.inputs.push_back(DeviceOf(*info));
        }
    };
    const Operation server(pa_context_get_server_info(connection.context(), onServer, &reading));
    const Operation outputs(
        pa_context_get_sink_info_list(connection.context(), onOutput, &reading));
    const Operation inputs(
        pa_context_get_source_info_list(connection.context(), onInput, &reading));
    if (!server || !outputs || !inputs) {
        throw PulseError("нет звукового сервера: " + connection.Reason());
    }
    connection.WaitFor(
        [&] {
            if (!connection.Usable()) {
                throw PulseError("нет звукового сервера: " + connection.Reason());
            }
            return reading.serverDone && reading.outputsDone && reading.inputsDone;
        },
        deadline, "нет звукового сервера: сервер не отвечает");
    MarkDefault(reading.devices.outputs, reading.defaultOutput);
    MarkDefault(reading.devices.inputs, reading.defaultInput);
    reading.devices.reachable = true;
    return std::move(reading.devices);
}

SoundDevices Unreachable(const PulseError& e) {
    SoundDevices devices;
    devices.error = e.what();
    return devices;
}

class PulseDeviceWatch : public DeviceWatch {
  public:
    explicit PulseDeviceWatch(std::string applicationName)
        : applicationName_(std::move(applicationName)) {
        Reconnect();
    }

    bool Poll() override {
        if (!connection_) {
            if (SteadyClock::now() - lastAttempt_ < kReconnectInterval) {
                return false;
            }
            return Reconnect();
        }
        try {
            connection_->Poll();
            if (!connection_->Usable()) {
                throw PulseError("нет звукового сервера: " + connection_->Reason());
            }
            if (!changed_) {
                return false;
            }
            changed_ = false;
            return Take(ReadDevices(*connection_, SteadyClock::now() + kConnectLimit));
        } catch (const PulseError& e) {
            connection_.reset();
            lastAttempt_ = SteadyClock::now();
            return Take(Unreachable(e));
        }
    }

    const SoundDevices& devices() const override { return devices_; }

  private:
    // Connects, subscribes to the changes of outputs and of the default, and reads the lists.
    bool Reconnect() {
        lastAttempt_ = SteadyClock::now();
        try {
            connection_ =
                std::make_unique<Connection>(applicationName_, SteadyClock::now() + kConnectLimit);
            auto onChange = [](pa_context*, pa_subscription_event_type_t, std::uint32_t,
                               void* userdata) { *static_cast<bool*>(userdata) = true; };
            pa_context_set_subscribe_callback(connection_->context(), onChange, &changed_);
            // Left to run on its own: the request is queued, and cancelling it would be wrong.
            pa_operation* subscribe = pa_context_subscribe(
                connection_->context(),
                static_cast<pa_subscription_mask_t>(PA_SUBSCRIPTION_MASK_SINK |
                                                    PA_SUBSCRIPTION_MASK_SOURCE |
                                                    PA_SUBSCRIPTION_MASK_SERVER),
                nullptr, nullptr);
            if (subscribe != nullptr) {
                pa_operation_unref(subscribe);
            }
            changed_ = false;
            return Take(ReadDevices(*connection_, SteadyClock::now() + kConnectLimit));
        } catch (const PulseError& e) {
            connection_.reset();
            return Take(Unreachable(e));
        }
    }

    bool Take(SoundDevices devices) {
        if (devices == devices_) {
            return false;
        }
        devices_ = std::move(devices);
        return true;
    }

    std::string applicationName_;
    bool changed_ = false;  // written by the server's change events
    std::unique_ptr<Connection> connection_;
    SteadyClock::time_point lastAttempt_{};
    SoundDevices devices_;
};

}  // namespace

SoundDevices ListDevices(const std::string& applicationName) {
    try {
        const auto deadline = SteadyClock::now() + kConnectLimit;
        Connection connection(applicationName, deadline);
        return ReadDevices(connection, deadline);
    } catch (const PulseError& e) {
        return Unreachable(e);
    }
}

std::unique_ptr<DeviceWatch> WatchDevices(const std::string& applicationName) {
    return std::make_unique<PulseDeviceWatch>(applicationName);
}

}  // namespace tornel::platform::pulse
