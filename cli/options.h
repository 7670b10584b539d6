#pragma once
// Command-line options of tornel4-cli, read against the tables of cli/command_table.h. Every bad
// argument becomes a UsageError whose text names the option and what it allows; main() prints it
// on one line and exits with status 2.

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

#include "packet/packet.h"
#include "platform/sound_level.h"
#include "ptt/ptt_choice.h"
#include "sets/parameter_set.h"
#include "signal/signal_constants.h"

namespace tornel::cli {

class UsageError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

enum class Command { Packet, Generate, Send, Decode, Devices, Listen, Pattern };

// What --load leaves for the command to read: the file, the inputs as they stood when it came,
// and which fields and boxes the options after it set (those win over the file).
struct LoadRequest {
    std::string file;
    PacketInputs before;
    std::array<bool, kFieldCount> fieldsAfter{};
    BoxStates boxesAfter{false, false, false, false, false};
};

struct Options {
    Command command = Command::Packet;
    bool help = false;                                    // --help after the command
    const ParameterTable* parameters = &kParameterTable;  // what --p1 .. --p10 mean
    PacketInputs inputs;                                  // --p1 .. --p10, --enable, --disable
    LoadRequest load;                                     // --load
    bool filterOn = true;          // --filter on|off (the window starts with the filter on)
    double alpha = kInitialAlpha;  // --alpha N gives N/100
    bool json = false;             // --json
    std::string dir = ".";         // --dir (generate)
    int repeat = 1;                // --repeat (generate)
    std::string file;              // decode FILE.wav
    std::string device;  // --device: the output (send) or input (listen); empty: the default
    int level = platform::kLevelMax;  // --level (send): percent of full amplitude
    std::string saveFile;             // --save (packet): the parameter set is written there
    int seconds = 0;                  // listen --seconds: how long to listen; 0: until interrupted
    int count = 0;                    // listen --count: stop after this many packets; 0: no limit
    ptt::PttChoice ptt;               // --ptt (send, pattern): how the transmitter is keyed
    int txDelayMs = ptt::kTxDelayDefaultMs;  // --tx-delay (send)
    int txTailMs = ptt::kTxTailDefaultMs;    // --tx-tail (send)
};

inline constexpr int kMaxRepeat = 10000;
inline constexpr int kMaxListenSeconds = 7 * 24 * 3600;
inline constexpr int kMaxListenCount = 1000000;

// Parses argv[1..] against the parameter table. Throws UsageError.
Options ParseCommandLine(const std::vector<std::string>& args,
                         const ParameterTable& table = kParameterTable);

// The fields and boxes to send, with the set or recording of --load read and the options given
// after it applied; the set's name, for --save. Throws UsageError naming --load.
ParameterSet InputsOf(const Options& options);

// Parses a whole decimal number in [min, max]; throws UsageError naming `option`.
int ParseWholeNumber(const std::string& option, const std::string& text, int min, int max);

// The text of --help: the commands, and every option with its meaning; every parameter with its
// meaning, unit, range and default.
std::string UsageText(const ParameterTable& table = kParameterTable);

// The text of `tornel4-cli COMMAND --help`: that command's usage and its options.
std::string CommandUsageText(Command command, const ParameterTable& table = kParameterTable);

}  // namespace tornel::cli
