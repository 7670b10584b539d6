// The sound module (tornel4-sound.so): it hands out the system's sound backend. The window loads
// it at its first sound, the command line only for the commands that need the sound server (send,
// devices, listen), so that the client library and its many dependencies cost no start-up time.

#include "platform/sound_module.h"

extern "C" __attribute__((visibility("default"))) tornel::platform::SoundBackend*
tornel4_make_sound_backend(const char* applicationName) {
    return tornel::platform::MakeSystemSoundBackend(applicationName).release();
}
