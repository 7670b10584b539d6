// Loading tornel4-cli's sound module: where it may lie, the dlopen, and LoadSoundModule, the one
// way the commands that need the sound server (send, devices, listen) get it.

#include <dlfcn.h>

#include <filesystem>
#include <stdexcept>
#include <vector>

#include "cli/commands.h"
#include "cli/sound_module.h"
#include "install_layout.h"

namespace tornel::cli {

namespace {

using MakeBackendFunction = platform::SoundBackend* (*)(const char*);
constexpr const char* kApplicationName = "tornel4-cli";

// Where the sound module may lie, in the order tried: beside the program (the build folder),
// then in the private library folder of an installation (<prefix>/lib/<multiarch>/tornel4
// beside <prefix>/bin).
std::vector<std::filesystem::path> SoundModuleCandidates() {
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        return {kSoundModuleFile};
    }
    const auto bin = self.parent_path();
    return {bin / kSoundModuleFile,
            (bin / install::kModuleDirFromBin / kSoundModuleFile).lexically_normal()};
}

std::filesystem::path SoundModulePath() {
    const auto candidates = SoundModuleCandidates();
    for (const auto& candidate : candidates) {
        if (std::filesystem::exists(candidate)) {
            return candidate;
        }
    }
    return candidates.back();  // dlopen names it in its error
}

}  // namespace

SoundModule::SoundModule(void* handle, std::unique_ptr<platform::SoundBackend> backend)
    : handle_(handle), backend_(std::move(backend)) {}

SoundModule::~SoundModule() {
    backend_.reset();  // its code lives in the module
    dlclose(handle_);
}

// main() prints the reason of a module that cannot be loaded and exits with 1.
std::unique_ptr<SoundModule> LoadSoundModule() {
    const auto path = SoundModulePath();
    void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        throw std::runtime_error("звуковой модуль не загружен: " + std::string(dlerror()));
    }
    const auto make = reinterpret_cast<MakeBackendFunction>(dlsym(handle, kSoundModuleEntry));
    if (make == nullptr) {
        dlclose(handle);
        throw std::runtime_error("звуковой модуль повреждён: " + path.string());
    }
    std::unique_ptr<platform::SoundBackend> backend(make(kApplicationName));
    return std::make_unique<SoundModule>(handle, std::move(backend));
}

}  // namespace tornel::cli
