// Loading the sound module for tornel4-cli: LoadSoundModule, the one way the commands that need
// the sound server (send, devices, listen) get it.

#include <dlfcn.h>

#include <stdexcept>

#include "cli/commands.h"
#include "cli/sound_module.h"
#include "platform/private_module.h"

namespace tornel::cli {

namespace {

using MakeBackendFunction = platform::SoundBackend* (*)(const char*);
constexpr const char* kApplicationName = "tornel4-cli";

}  // namespace

SoundModule::SoundModule(void* handle, std::unique_ptr<platform::SoundBackend> backend)
    : handle_(handle), backend_(std::move(backend)) {}

SoundModule::~SoundModule() {
    backend_.reset();  // its code lives in the module
    dlclose(handle_);
}

// main() prints the reason of a module that cannot be loaded and exits with 1.
std::unique_ptr<SoundModule> LoadSoundModule() {
    const auto path = platform::PrivateModulePath(platform::kSoundModuleFile);
    std::string reason;
    void* handle = platform::OpenPrivateModule(path, reason);
    if (handle == nullptr) {
        throw std::runtime_error("звуковой модуль не загружен: " + reason);
    }
    const auto make =
        platform::PrivateModuleEntry<MakeBackendFunction>(handle, platform::kSoundModuleEntry);
    if (make == nullptr) {
        dlclose(handle);
        throw std::runtime_error("звуковой модуль повреждён: " + path.string());
    }
    std::unique_ptr<platform::SoundBackend> backend(make(kApplicationName));
    return std::make_unique<SoundModule>(handle, std::move(backend));
}

}  // namespace tornel::cli
