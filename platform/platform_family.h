#pragma once
// Which of the two platform families the program runs on. It decides how a beep is made: on the
// NT family through the tone output, on the older family with the PC speaker and the I/O ports.

namespace tornel::platform {

// The values are the platform identifiers of the two families.
enum class PlatformFamily : int {
    Older = 1,
    Nt = 2,
};

// Linux takes the NT path: tones go to the sound server.
PlatformFamily CurrentPlatformFamily();

}  // namespace tornel::platform
