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

}  // namespace tornel::cli
