#include <dlfcn.h>

#include <filesystem>

#include "cli/sound_module.h"

namespace tornel::cli {

namespace {

using MakeBackendFunction = platform::SoundBackend* (*)(const char*);
constexpr const char* kApplicationName = "tornel4-cli";

// The sound module lies beside the program.
std::filesystem::path SoundModulePath() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path(kSoundModuleFile) : self.parent_path() / kSoundModuleFile;
}

}  // namespace

SoundModule::SoundModule(void* handle, std::unique_ptr<platform::SoundBackend> backend)
    : handle_(handle), backend_(std::move(backend)) {}

SoundModule::~SoundModule() {
    backend_.reset();  // its code lives in the module
    dlclose(handle_);
}

std::unique_ptr<SoundModule> SoundModule::Load(std::string& error) {
    const auto path = SoundModulePath();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        error = "звуковой модуль не загружен: " + std::string(dlerror());
        return nullptr;
    }
    const auto make = reinterpret_cast<MakeBackendFunction>(dlsym(handle, kSoundModuleEntry));
    if (make == nullptr) {
        dlclose(handle);
        error = "звуковой модуль повреждён: " + path.string();
        return nullptr;
    }
    std::unique_ptr<platform::SoundBackend> backend(make(kApplicationName));
    return std::make_unique<SoundModule>(handle, std::move(backend));
}

}  // namespace tornel::cli
