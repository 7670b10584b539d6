#pragma once
// The commands and options of tornel4-cli, each declared once: its name, the commands that take
// it, its value and range, its help line and what it does. The parser, the check of which command
// takes which option, the messages, --help (for all commands and after each one) and the test of
// the manual page all read these two tables. A new command or option is one row here and its
// handler; the parameters --p1 .. --p10 themselves come from the parameter table.

#include <array>
#include <string>

#include "cli/commands.h"
#include "cli/options.h"
#include "signal/signal_constants.h"

namespace tornel::cli {

// A set of commands, one bit per Command.
using CommandSet = unsigned;

template <typename... C>
constexpr CommandSet CommandsOf(C... commands) {
    return ((1u << static_cast<unsigned>(commands)) | ...);
}

constexpr bool Takes(CommandSet set, Command command) {
    return (set & CommandsOf(command)) != 0;
}

// The commands that build a packet take the parameters.
inline constexpr CommandSet kParameterCommands =
    CommandsOf(Command::Packet, Command::Generate, Command::Send);
inline constexpr CommandSet kAllCommands =
    CommandsOf(Command::Packet, Command::Generate, Command::Send, Command::Decode, Command::Devices,
               Command::Listen, Command::Pattern);
// The commands that key a transmitter.
inline constexpr CommandSet kKeyingCommands = CommandsOf(Command::Send, Command::Pattern);

struct CommandRow {
    Command command;
    const char* name;
    const char* operand;         // a value without an option (decode's file); null: none
    const char* operandMissing;  // the message when it is missing
    const char* summary;  // for --help, after the name: "строит пакет программирования ..."
    int (*run)(const Options&);
};

inline constexpr std::array<CommandRow, 7> kCommands{{
    {Command::Packet, "packet", nullptr, nullptr,
     "строит пакет программирования и печатает его с расчётом CRC", RunPacket},
    {Command::Generate, "generate", nullptr, nullptr, "пишет сигнал в _qq.wav и 9_fmsig.h",
     RunGenerate},
    {Command::Send, "send", nullptr, nullptr,
     "пишет _qq.wav и 9_fmsig.h и выдаёт сигнал на звуковой выход", RunSend},
    {Command::Decode, "decode", "ФАЙЛ.wav", "не задан WAV-файл",
     "восстанавливает пакет и параметры из записи сигнала", RunDecode},
    {Command::Devices, "devices", nullptr, nullptr,
     "перечисляет звуковые выходы и входы (имя, описание, устройство по умолчанию)", RunDevices},
    {Command::Listen, "listen", nullptr, nullptr,
     "слушает звуковой вход и печатает строку на каждый услышанный пакет", RunListen},
    {Command::Pattern, "pattern", nullptr, nullptr,
     "включает передатчик в фазах \"передача\" несущего шаблона параметра 10, как тренажёр, и "
     "печатает каждое переключение",
     RunPattern},
}};

struct OptionRow;
// Checks the value of one option and puts it into the options; throws UsageError.
using OptionHandler = void (*)(const OptionRow& row, const std::string& option,
                               const std::string& value, Options& options);

struct OptionRow {
    const char* name;  // "--repeat"; "--p" stands for --p1 .. --p10 of the parameter table
    const char* alias = nullptr;  // "-h"
    CommandSet commands = 0;  // the commands that take it; --help lists kParameterCommands' first
    const char* value = nullptr;  // what --help calls its value ("K"); null: it takes none
    int min = 0;                  // a whole number's range
    int max = 0;
    int preset = 0;  // a whole number's default, for "{default}" in the help
    // What messages say it allows; null: "целое число от min до max".
    const char* allowed = nullptr;
    // The help line; "{min}" and "{max}" stand for the range, "{default}" for the default,
    // "{initial}" for the starting filter coefficient, "{boxes}" for the parameters that have a
    // box; in an option named after a parameter, "{durations}" for its durations and their
    // ranges, "{design}" for its design values.
    const char* help = "";
    OptionHandler apply = nullptr;  // null: --help and --version, which main() answers
};

// The handlers of the options that are more than one value in one member.
void ApplyLoad(const OptionRow&, const std::string& option, const std::string& value, Options&);
void ApplyFields(const OptionRow&, const std::string& option, const std::string& value, Options&);
void ApplyBoxes(const OptionRow&, const std::string& option, const std::string& value, Options&);
void ApplyFilter(const OptionRow&, const std::string& option, const std::string& value, Options&);
void ApplyAlpha(const OptionRow&, const std::string& option, const std::string& value, Options&);
void ApplyPtt(const OptionRow&, const std::string& option, const std::string& value, Options&);
// The durations of parameter 10 for pattern, read as --p10 of a packet reads them.
void ApplyPatternDurations(const OptionRow&, const std::string& option, const std::string& value,
                           Options&);

// A whole number in [row.min, row.max] into `member`.
template <int Options::*member>
void SetWhole(const OptionRow& row, const std::string& option, const std::string& value,
              Options& o) {
    o.*member = ParseWholeNumber(option, value, row.min, row.max);
}

// A flag: its option takes no value.
template <bool Options::*member>
void SetFlag(const OptionRow&, const std::string&, const std::string&, Options& o) {
    o.*member = true;
}

// A text that must not be empty (a folder, a file, a device) into `member`.
template <std::string Options::*member>
void SetText(const OptionRow& row, const std::string& option, const std::string& value,
             Options& o) {
    if (value.empty()) {
        throw UsageError(option + ": пустое значение; допустимо: " + row.allowed);
    }
    o.*member = value;
}

inline constexpr const char* kHelpOption = "--help";
inline constexpr const char* kVersionOption = "--version";
inline constexpr const char* kJsonOption = "--json";

// clang-format off
inline constexpr std::array<OptionRow, 20> kOptions{{
    {.name = "--load", .commands = kParameterCommands, .value = "ФАЙЛ",
     .allowed = "набор параметров (JSON) или запись сигнала (WAV)",
     .help = "все поля и флажки из набора параметров (JSON) или из записи сигнала (WAV); "
             "параметры, заданные после --load, заменяют загруженные",
     .apply = ApplyLoad},
    {.name = "--p", .commands = kParameterCommands, .apply = ApplyFields},
    {.name = "--enable", .commands = kParameterCommands, .value = "СПИСОК",
     .help = "включить флажки параметров (номера {boxes} через запятую)",
     .apply = ApplyBoxes},
    {.name = "--disable", .commands = kParameterCommands, .value = "СПИСОК",
     .help = "выключить флажки параметров", .apply = ApplyBoxes},
    {.name = "--filter", .commands = kParameterCommands, .value = "on|off",
     .allowed = "on или off", .help = "модуляционный фильтр, по умолчанию on",
     .apply = ApplyFilter},
    {.name = "--alpha", .commands = kParameterCommands, .value = "N", .min = 0, .max = 100,
     .help = "коэффициент фильтра N/100, N от {min} до {max}; по умолчанию коэффициент {initial}",
     .apply = ApplyAlpha},
    {.name = "--save", .commands = CommandsOf(Command::Packet), .value = "ФАЙЛ",
     .allowed = "имя файла набора параметров",
     .help = "записать набор заданных параметров в файл", .apply = SetText<&Options::saveFile>},
    {.name = "--dir", .commands = CommandsOf(Command::Generate), .value = "ПАПКА",
     .allowed = "имя папки", .help = "папка для _qq.wav и 9_fmsig.h, по умолчанию .",
     .apply = SetText<&Options::dir>},
    {.name = "--repeat", .commands = CommandsOf(Command::Generate), .value = "K",
     .min = 1, .max = kMaxRepeat, .help = "K выдач подряд, от {min} до {max}, по умолчанию 1",
     .apply = SetWhole<&Options::repeat>},
    {.name = "--device", .commands = CommandsOf(Command::Send, Command::Listen), .value = "ИМЯ",
     .allowed = "имя устройства из tornel4-cli devices",
     .help = "звуковой выход (send) или вход (listen) по имени из devices; по умолчанию выход "
             "или вход системы",
     .apply = SetText<&Options::device>},
    {.name = "--level", .commands = CommandsOf(Command::Send), .value = "N",
     .min = platform::kLevelMin, .max = platform::kLevelMax,
     .help = "уровень выдачи, % полной амплитуды, от {min} до {max}, по умолчанию {max}",
     .apply = SetWhole<&Options::level>},
    {.name = "--seconds", .commands = CommandsOf(Command::Listen), .value = "N",
     .min = 1, .max = kMaxListenSeconds, .help = "слушать N секунд, по умолчанию без предела",
     .apply = SetWhole<&Options::seconds>},
    {.name = "--count", .commands = CommandsOf(Command::Listen), .value = "K",
     .min = 1, .max = kMaxListenCount, .help = "закончить после K пакетов",
     .apply = SetWhole<&Options::count>},
    {.name = "--ptt", .commands = kKeyingCommands, .value = "ВЫБОР", .allowed = ptt::kPttChoiceForms,
     .help = "как включать передатчик: none (по умолчанию: не включать), vox (VOX радиостанции), "
             "cat:МОДЕЛЬ:ПОРТ[:СКОРОСТЬ] (hamlib), rts:ПОРТ, dtr:ПОРТ, cm108:HIDRAW[:ВЫВОД] "
             "(вывод 1..8, по умолчанию 3), rigctld:АДРЕС:ПОРТ; Ctrl-C и SIGTERM отпускают "
             "передатчик и заканчивают команду с кодом 130 и 143",
     .apply = ApplyPtt},
    {.name = "--tx-delay", .commands = CommandsOf(Command::Send), .value = "МС",
     .min = 0, .max = ptt::kTxDelayMaxMs, .preset = ptt::kTxDelayDefaultMs,
     .help = "задержка от включения передатчика до сигнала, мс, от {min} до {max}, по умолчанию "
             "{default}",
     .apply = SetWhole<&Options::txDelayMs>},
    {.name = "--tx-tail", .commands = CommandsOf(Command::Send), .value = "МС",
     .min = 0, .max = ptt::kTxTailMaxMs, .preset = ptt::kTxTailDefaultMs,
     .help = "хвост: передатчик отпускается через столько мс после последнего отзвучавшего "
             "отсчёта, от {min} до {max}, по умолчанию {default}",
     .apply = SetWhole<&Options::txTailMs>},
    {.name = "--p10", .commands = CommandsOf(Command::Pattern), .value = "ПЕРВАЯ,ПАУЗА,ВТОРАЯ",
     .help = "{durations}; по умолчанию {design}", .apply = ApplyPatternDurations},
    {.name = kJsonOption,
     .commands = CommandsOf(Command::Packet, Command::Generate, Command::Decode, Command::Devices,
                            Command::Listen),
     .help = "вывод объектом JSON (listen - по объекту на пакет)",
     .apply = SetFlag<&Options::json>},
    {.name = kHelpOption, .alias = "-h", .commands = kAllCommands,
     .help = "эта справка; после команды - справка по ней"},
    {.name = kVersionOption, .help = "версия программы (первым аргументом)"},
}};
// clang-format on

}  // namespace tornel::cli
