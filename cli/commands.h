#pragma once
// The commands of tornel4-cli. Each returns the process exit status.

#include <memory>

#include "cli/options.h"

namespace tornel::cli {

class SoundModule;

int RunPacket(const Options& options);
int RunGenerate(const Options& options);
int RunSend(const Options& options);
int RunDecode(const Options& options);
int RunDevices(const Options& options);
int RunListen(const Options& options);
int RunPattern(const Options& options);

// The sound module, for the commands that play or record. Throws the Russian reason when it
// cannot be loaded.
std::unique_ptr<SoundModule> LoadSoundModule();

}  // namespace tornel::cli
