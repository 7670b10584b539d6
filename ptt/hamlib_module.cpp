// Opening a CAT or rigctld transmitter through the hamlib module, loaded at the first such open.

#include <string>

#include "platform/private_module.h"
#include "ptt/hamlib_module.h"

namespace tornel::ptt {

namespace {

using OpenFunction = Transmitter* (*)(const PttChoice&);

struct LoadedModule {
    OpenFunction open = nullptr;
    std::string error;  // Russian, when `open` is missing
};

LoadedModule LoadHamlibModule() {
    const auto path = platform::PrivateModulePath(kHamlibModuleFile);
    LoadedModule loaded;
    std::string reason;
    void* handle = platform::OpenPrivateModule(path, reason);
    if (handle == nullptr) {
        loaded.error = "модуль hamlib не загружен: " + reason;
        return loaded;
    }
    loaded.open = platform::PrivateModuleEntry<OpenFunction>(handle, kHamlibModuleEntry);
    if (loaded.open == nullptr) {
        loaded.error = "модуль hamlib повреждён: " + path.string();
    }
    return loaded;
}

}  // namespace

std::unique_ptr<Transmitter> OpenHamlibTransmitter(const PttChoice& choice) {
    // Loaded once and kept for the process: every transmitter it made runs its code.
    static const LoadedModule module = LoadHamlibModule();
    if (module.open == nullptr) {
        throw PttError(TransmitterLabel(choice) + ": " + module.error);
    }
    return std::unique_ptr<Transmitter>(module.open(choice));
}

}  // namespace tornel::ptt
