// The system's sound backend behind the sound module, loaded at the first call that needs it.
// The window makes its backend before it is shown; loading the module then would put the sound
// server's client library and its dozen codec libraries in front of the first paint.

#include <memory>
#include <mutex>
#include <stdexcept>

#include "platform/sound_module.h"

namespace tornel::platform {

namespace {

// Loads the module once, from whichever thread asks first (a send plays on a thread of its own).
class ModuleBackend {
  public:
    explicit ModuleBackend(std::string applicationName)
        : applicationName_(std::move(applicationName)) {}

    // The module's backend, or nullptr with the reason in error().
    SoundBackend* Get() {
        std::call_once(loaded_, [this] { Load(); });
        return backend_.get();
    }
    const std::string& error() const { return error_; }

  private:
    void Load() {
        try {
            backend_ = LoadSoundBackend(applicationName_);
        } catch (const std::runtime_error& e) {
            error_ = e.what();
        }
    }

    std::string applicationName_;
    std::once_flag loaded_;
    std::unique_ptr<SoundBackend> backend_;
    std::string error_;
};

// The send's output, made before the first paint: the module is loaded by the first send.
class OutputLoadedLater : public SoundOutput {
  public:
    explicit OutputLoadedLater(std::shared_ptr<ModuleBackend> module)
        : module_(std::move(module)) {}
    PlayResult PlayFile(const std::string& path, const PlaybackTarget& target,
                        const std::function<void(double)>& progress) override {
        if (!output_) {
            SoundBackend* backend = module_->Get();
            if (backend == nullptr) {
                return PlayFailure(module_->error());
            }
            output_ = backend->MakeSoundOutput();
        }
        return output_->PlayFile(path, target, progress);
    }

  private:
    std::shared_ptr<ModuleBackend> module_;
    std::unique_ptr<SoundOutput> output_;
};

// The device lists of a backend that could not be loaded: unreachable, with the reason.
class NoDevicesWatch : public DeviceWatch {
  public:
    explicit NoDevicesWatch(SoundDevices devices) : devices_(std::move(devices)) {}
    bool Poll() override { return false; }
    const SoundDevices& devices() const override { return devices_; }

  private:
    SoundDevices devices_;
};

class FailedPlayback : public BackgroundPlayback {
  public:
    explicit FailedPlayback(PlayResult result) : result_(std::move(result)) {}
    bool Pump() override { return false; }
    const PlayResult& result() const override { return result_; }

  private:
    PlayResult result_;
};

class BackendLoadedLater : public SoundBackend {
  public:
    explicit BackendLoadedLater(const std::string& applicationName)
        : module_(std::make_shared<ModuleBackend>(applicationName)) {}

    std::unique_ptr<SoundOutput> MakeSoundOutput() override {
        return std::make_unique<OutputLoadedLater>(module_);
    }
    // nullptr when the module is missing: the beep stays silent, as without a server.
    std::unique_ptr<ToneOutput> MakeToneOutput() override {
        SoundBackend* backend = module_->Get();
        return backend != nullptr ? backend->MakeToneOutput() : nullptr;
    }
    std::unique_ptr<SoundInput> MakeSoundInput(const std::string& device) override {
        return Loaded().MakeSoundInput(device);
    }
    SoundDevices ListDevices() override {
        SoundBackend* backend = module_->Get();
        return backend != nullptr ? backend->ListDevices() : Unreachable();
    }
    std::unique_ptr<DeviceWatch> WatchDevices() override {
        SoundBackend* backend = module_->Get();
        return backend != nullptr ? backend->WatchDevices()
                                  : std::make_unique<NoDevicesWatch>(Unreachable());
    }
    std::unique_ptr<BackgroundPlayback> StartCheckTone(const PlaybackTarget& target) override {
        SoundBackend* backend = module_->Get();
        return backend != nullptr ? backend->StartCheckTone(target)
                                  : std::make_unique<FailedPlayback>(PlayFailure(module_->error()));
    }

  private:
    SoundBackend& Loaded() {
        SoundBackend* backend = module_->Get();
        if (backend == nullptr) {
            throw std::runtime_error(module_->error());
        }
        return *backend;
    }
    SoundDevices Unreachable() const {
        SoundDevices none;
        none.error = module_->error();
        return none;
    }

    std::shared_ptr<ModuleBackend> module_;  // shared with the outputs, which may outlive this
};

}  // namespace

std::unique_ptr<SoundBackend> MakeSoundBackendLoadedLater(const std::string& applicationName) {
    return std::make_unique<BackendLoadedLater>(applicationName);
}

}  // namespace tornel::platform
