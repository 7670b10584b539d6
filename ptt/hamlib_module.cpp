// Opening a CAT or rigctld transmitter through the hamlib module, loaded at the first such open.

#include <stdexcept>

#include "platform/private_module.h"
#include "ptt/hamlib_module.h"

namespace tornel::ptt {

std::unique_ptr<Transmitter> OpenHamlibTransmitter(const PttChoice& choice) {
    using OpenFunction = Transmitter* (*)(const PttChoice&);
    OpenFunction open = nullptr;
    try {
        open = platform::PrivateEntry<OpenFunction>(kHamlibModuleFile, kHamlibModuleEntry,
                                                    "модуль hamlib");
    } catch (const std::runtime_error& e) {
        throw PttError(TransmitterLabel(choice) + ": " + e.what());
    }
    return std::unique_ptr<Transmitter>(open(choice));
}

}  // namespace tornel::ptt
