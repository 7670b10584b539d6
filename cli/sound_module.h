#pragma once
// The sound module of tornel4-cli, seen from both sides: the module exports one function that
// makes the system's sound backend, and the program loads the module (beside itself) only when a
// command needs sound. The backend comes from platform/'s one place that chooses it.

#include <memory>

#include "platform/sound_backend.h"

// The module's one entry point; the caller owns the backend it returns.
extern "C" tornel::platform::SoundBackend* tornel4_make_sound_backend(const char* applicationName);

namespace tornel::cli {

inline constexpr const char* kSoundModuleFile = "tornel4-sound.so";
inline constexpr const char* kSoundModuleEntry = "tornel4_make_sound_backend";

// The loaded module and its backend. Everything the backend makes runs code of the module:
// destroy it before this object.
class SoundModule {
  public:
    // Takes over a module opened with dlopen and the backend it made.
    SoundModule(void* handle, std::unique_ptr<platform::SoundBackend> backend);
    SoundModule(const SoundModule&) = delete;
    SoundModule& operator=(const SoundModule&) = delete;
    ~SoundModule();

    platform::SoundBackend& backend() { return *backend_; }

  private:
    void* handle_;
    std::unique_ptr<platform::SoundBackend> backend_;
};

}  // namespace tornel::cli
