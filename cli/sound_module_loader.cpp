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

std::unique_ptr<SoundModule> SoundModule::Load(std::string& error) {
    const auto path = platform::PrivateModulePath(platform::kSoundModuleFile);
    std::string reason;
    void* handle = platform::OpenPrivateModule(path, reason);
    if (handle == nullptr) {
        error = "звуковой модуль не загружен: " + reason;
        return nullptr;
    }
    const auto make =
        platform::PrivateModuleEntry<MakeBackendFunction>(handle, platform::kSoundModuleEntry);
    if (make == nullptr) {
        dlclose(handle);
        error = "звуковой модуль повреждён: " + path.string();
        return nullptr;
    }
    std::unique_ptr<platform::SoundBackend> backend(make(kApplicationName));
    return std::make_unique<SoundModule>(handle, std::move(backend));
}

std::unique_ptr<SoundModule> LoadSoundModule() {
    std::string error;
    auto module = SoundModule::Load(error);
    if (!module) {
        throw std::runtime_error(error);  // main() prints it and exits with 1
    }
    return module;
}

}  // namespace tornel::cli
