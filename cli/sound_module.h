#pragma once
// The sound module as tornel4-cli holds it: loaded only when a command needs sound, and closed
// with the backend it made.

#include <memory>

#include "platform/sound_module.h"

namespace tornel::cli {

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
