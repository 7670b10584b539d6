#pragma once
// The commands of tornel4-cli. Each returns the process exit status.

#include "cli/options.h"

namespace tornel::cli {

int RunPacket(const Options& options);
int RunGenerate(const Options& options);
int RunSend(const Options& options);
int RunDecode(const Options& options);
int RunDevices(const Options& options);
int RunListen(const Options& options);
int RunPattern(const Options& options);

// The name the commands that play or record give the sound server.
inline constexpr const char* kSoundClientName = "tornel4-cli";

}  // namespace tornel::cli
