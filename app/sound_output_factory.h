#pragma once
// Creates the sound output the program plays "_qq.wav" through. Kept apart so that the window
// and its tests never depend on a sound server: tests hand the window a fake instead.

#include <memory>

#include "platform/sound_output.h"

namespace tornel::app {

std::unique_ptr<platform::SoundOutput> MakeSoundOutput();

}  // namespace tornel::app
