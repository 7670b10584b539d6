// The sound output of tornel4-cli as a module loaded only by `send`: the PulseAudio client
// library and its thirty dependencies would otherwise be loaded, and cost startup time, for every
// command.

#include <cstddef>
#include <cstdio>

#include "platform/sound_output.h"

extern "C" __attribute__((visibility("default"))) int tornel4_play_file(const char* path,
                                                                        char* error,
                                                                        std::size_t errorSize) {
    const auto output = tornel::platform::MakePulseSoundOutput("tornel4-cli");
    const tornel::platform::PlayResult result = output->PlayFile(path, {});
    if (result.played) {
        return 0;
    }
    std::snprintf(error, errorSize, "%s", result.error.c_str());
    return 1;
}
