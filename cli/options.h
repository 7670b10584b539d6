#pragma once
// Command-line options of tornel4-cli. Every bad argument becomes a UsageError whose text names
// the option and what it allows; main() prints it on one line and exits with status 2.

#include <stdexcept>
#include <string>
#include <vector>

#include "packet/packet.h"
#include "platform/sound_level.h"
#include "signal/signal_constants.h"

namespace tornel::cli {

class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class Command { Packet, Generate, Send, Decode, Devices, Listen };

struct Options {
    Command command = Command::Packet;
    const ParameterTable* parameters = &kParameterTable;  // what --p1 .. --p10 mean
    PacketInputs inputs;    // --p1 .. --p10, --enable, --disable, --load
    std::string setName;    // the name of a set loaded by --load, kept by --save
    bool filterOn = true;   // --filter on|off (the window starts with the filter on)
    double alpha = kInitialAlpha;  // --alpha N gives N/100
    bool json = false;      // --json
    std::string dir = ".";  // --dir (generate)
    int repeat = 1;         // --repeat (generate)
    std::string file;       // decode FILE.wav
    std::string device;     // --device: the output (send) or input (listen); empty: the default
    int level = platform::kLevelMax;  // --level (send): percent of full amplitude
    std::string saveFile;             // --save (packet): the parameter set is written there
    int seconds = 0;                  // listen --seconds: how long to listen; 0: until interrupted
    int count = 0;                    // listen --count: stop after this many packets; 0: no limit
};

inline constexpr int kMaxRepeat = 10000;
inline constexpr int kMaxListenSeconds = 7 * 24 * 3600;
inline constexpr int kMaxListenCount = 1000000;

// Parses argv[1..] against the parameter table. Throws UsageError.
Options ParseCommandLine(const std::vector<std::string>& args,
                         const ParameterTable& table = kParameterTable);

// Parses a whole decimal number in [min, max]; throws UsageError naming `option`.
int ParseWholeNumber(const std::string& option, const std::string& text, int min, int max);

// The text of --help: the commands, and every parameter with its meaning, unit, range and default.
std::string UsageText(const ParameterTable& table = kParameterTable);

}  // namespace tornel::cli
