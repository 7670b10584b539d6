#pragma once
// The sound module (tornel4-sound.so): the system's sound backend in a private module, so that
// the sound server's client library is loaded only when a program first needs sound. It exports
// one function that makes the backend of platform/'s one place that chooses it.

#include <memory>
#include <string>

#include "platform/private_module.h"
#include "platform/sound_backend.h"

// The module's one entry point; the caller owns the backend it returns.
extern "C" tornel::platform::SoundBackend* tornel4_make_sound_backend(const char* applicationName);

namespace tornel::platform {

inline constexpr const char* kSoundModuleFile = "tornel4-sound.so";
inline constexpr const char* kSoundModuleEntry = "tornel4_make_sound_backend";

// The system's backend with nothing loaded yet: the sound module is loaded at the first call that
// needs sound (a send, the device list, the first beep) and then kept for the process, since
// what its backend made may outlive the backend. A module that cannot be loaded fails each such
// call with the reason, as a missing sound server would.
std::unique_ptr<SoundBackend> MakeSoundBackendLoadedLater(const std::string& applicationName);

// The module's backend now, the module kept for the process. Throws the Russian reason when the
// module cannot be loaded.
inline std::unique_ptr<SoundBackend> LoadSoundBackend(const std::string& applicationName) {
    using MakeBackend = SoundBackend* (*)(const char*);
    const auto make =
        PrivateEntry<MakeBackend>(kSoundModuleFile, kSoundModuleEntry, "звуковой модуль");
    return std::unique_ptr<SoundBackend>(make(applicationName.c_str()));
}

}  // namespace tornel::platform
