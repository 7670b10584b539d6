#include "cli/options.h"

#include <charconv>
#include <cstdint>
#include <map>
#include <set>

namespace tornel::cli {

namespace {

constexpr const char* kBoxList = "номера 5, 6, 8, 9, 10 через запятую";

std::string RangeText(int min, int max) {
    return "целое число от " + std::to_string(min) + " до " + std::to_string(max);
}

std::string DurationsText() {
    const FieldRange& r = FieldRanges()[9];
    return "три длительности в секундах через запятую (первая PTT, пауза, вторая PTT), каждая " +
           RangeText(r.min, r.max);
}

// What an option accepts, for its error messages.
std::string AllowedText(const std::string& option) {
    if (option == "--p10") {
        return DurationsText();
    }
    if (option == "--enable" || option == "--disable") {
        return kBoxList;
    }
    if (option == "--filter") {
        return "on или off";
    }
    if (option == "--alpha") {
        return RangeText(0, 100);
    }
    if (option == "--repeat") {
        return RangeText(1, kMaxRepeat);
    }
    if (option == "--dir") {
        return "имя папки";
    }
    const int index = std::stoi(option.substr(3)) - 1;  // --p1 .. --p9
    const FieldRange& r = FieldRanges()[static_cast<std::size_t>(index)];
    return RangeText(r.min, r.max);
}

[[noreturn]] void Fail(const std::string& option, const std::string& problem) {
    throw UsageError(option + ": " + problem + "; допустимо: " + AllowedText(option));
}

std::vector<std::string> SplitList(const std::string& option, const std::string& text) {
    std::vector<std::string> items;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        items.push_back(text.substr(start, comma == std::string::npos ? comma : comma - start));
        if (comma == std::string::npos) {
            break;
        }
        start = comma + 1;
    }
    for (const auto& item : items) {
        if (item.empty()) {
            Fail(option,
                 text.empty() ? "пустое значение" : "пустой элемент в списке \"" + text + "\"");
        }
    }
    return items;
}

// A whole decimal number with an optional sign that fits 32 bits; nothing else.
std::int32_t ParseInt32(const std::string& option, const std::string& text) {
    if (text.empty()) {
        Fail(option, "пустое значение");
    }
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+') {
        ++first;
    }
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range) {
        Fail(option, "число \"" + text + "\" слишком велико");
    }
    if (ec != std::errc() || end != last || first == last) {
        Fail(option, "\"" + text + "\" не целое число");
    }
    return value;
}

Command ParseCommandName(const std::string& name) {
    static const std::map<std::string, Command> commands{{"packet", Command::Packet},
                                                         {"generate", Command::Generate},
                                                         {"send", Command::Send},
                                                         {"decode", Command::Decode}};
    const auto it = commands.find(name);
    if (it == commands.end()) {
        throw UsageError("неизвестная команда \"" + name +
                         "\"; допустимы packet, generate, send, decode");
    }
    return it->second;
}

bool* BoxOf(int parameter, EnableBoxes& boxes) {
    switch (parameter) {
        case 5:
            return &boxes.box5;
        case 6:
            return &boxes.box6;
        case 8:
            return &boxes.box8;
        case 9:
            return &boxes.box9;
        case 10:
            return &boxes.box10;
        default:
            return nullptr;
    }
}

void SetBoxes(const std::string& option, const std::string& list, bool state, EnableBoxes& boxes) {
    for (const auto& item : SplitList(option, list)) {
        bool* box = BoxOf(ParseInt32(option, item), boxes);
        if (box == nullptr) {
            Fail(option, "нет флажка у параметра " + item);
        }
        *box = state;
    }
}

void SetDurations(const std::string& option, const std::string& text, PacketInputs& inputs) {
    const auto items = SplitList(option, text);
    if (items.size() != 3) {
        Fail(option, "задано длительностей: " + std::to_string(items.size()));
    }
    for (std::size_t i = 0; i < 3; ++i) {
        const FieldRange& r = FieldRanges()[9 + i];
        inputs.fields[9 + i] = ParseWholeNumber(option, items[i], r.min, r.max);
    }
}

// Which options a command takes beyond the parameters.
bool CommandTakes(Command command, const std::string& option) {
    if (option == "--json") {
        return command != Command::Send;
    }
    if (option == "--dir" || option == "--repeat") {
        return command == Command::Generate;
    }
    return false;
}

bool IsParameterOption(const std::string& option) {
    static const std::set<std::string> names{"--p1",     "--p2",      "--p3",     "--p4",   "--p5",
                                             "--p6",     "--p7",      "--p8",     "--p9",   "--p10",
                                             "--enable", "--disable", "--filter", "--alpha"};
    return names.contains(option);
}

void ApplyParameter(const std::string& option, const std::string& value, Options& o) {
    if (option == "--p10") {
        SetDurations(option, value, o.inputs);
    } else if (option == "--enable" || option == "--disable") {
        SetBoxes(option, value, option == "--enable", o.inputs.boxes);
    } else if (option == "--filter") {
        if (value != "on" && value != "off") {
            Fail(option, "получено \"" + value + "\"");
        }
        o.filterOn = value == "on";
    } else if (option == "--alpha") {
        o.alpha = ParseWholeNumber(option, value, 0, 100) / 100.0;
    } else {
        const int index = std::stoi(option.substr(3)) - 1;
        const FieldRange& r = FieldRanges()[static_cast<std::size_t>(index)];
        o.inputs.fields[static_cast<std::size_t>(index)] =
            ParseWholeNumber(option, value, r.min, r.max);
    }
}

void ApplyCommandOption(const std::string& option, const std::string& value, Options& o) {
    if (option == "--dir") {
        if (value.empty()) {
            Fail(option, "пустое значение");
        }
        o.dir = value;
    } else if (option == "--repeat") {
        o.repeat = ParseWholeNumber(option, value, 1, kMaxRepeat);
    }
}

// The value of an option is missing when the arguments end or another option follows.
bool IsOptionName(const std::string& arg) {
    return arg.starts_with("--");
}

}  // namespace

int ParseWholeNumber(const std::string& option, const std::string& text, int min, int max) {
    const std::int32_t value = ParseInt32(option, text);
    if (value < min || value > max) {
        throw UsageError(option + ": значение " + text +
                         " вне диапазона; допустимо: " + RangeText(min, max));
    }
    return value;
}

Options ParseCommandLine(const std::vector<std::string>& args) {
    if (args.empty()) {
        throw UsageError("не задана команда; допустимы packet, generate, send, decode");
    }
    Options o;
    o.command = ParseCommandName(args[0]);
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--json" && CommandTakes(o.command, arg)) {
            o.json = true;
            continue;
        }
        if (o.command == Command::Decode && !IsOptionName(arg) && o.file.empty()) {
            o.file = arg;
            continue;
        }
        const bool takesValue = CommandTakes(o.command, arg) ||
                                (o.command != Command::Decode && IsParameterOption(arg));
        if (!takesValue) {
            throw UsageError("неизвестный параметр \"" + arg + "\" для команды " + args[0]);
        }
        if (i + 1 >= args.size() || IsOptionName(args[i + 1])) {
            Fail(arg, "не задано значение");
        }
        const std::string& value = args[++i];
        if (IsParameterOption(arg)) {
            ApplyParameter(arg, value, o);
        } else {
            ApplyCommandOption(arg, value, o);
        }
    }
    if (o.command == Command::Decode && o.file.empty()) {
        throw UsageError("decode: не задан WAV-файл");
    }
    return o;
}

std::string UsageText() {
    const FieldRange& durations = FieldRanges()[9];
    return "Использование:\n"
           "  tornel4-cli packet   [ПАРАМЕТРЫ] [--json]\n"
           "  tornel4-cli generate [ПАРАМЕТРЫ] [--dir ПАПКА] [--repeat K] [--json]\n"
           "  tornel4-cli send     [ПАРАМЕТРЫ]\n"
           "  tornel4-cli decode   ФАЙЛ.wav [--json]\n"
           "ПАРАМЕТРЫ: --p1 N ... --p9 N (p9 в Гц), --p10 ПЕРВАЯ,ПАУЗА,ВТОРАЯ (секунды, " +
           std::to_string(durations.min) + ".." + std::to_string(durations.max) +
           "),\n"
           "  --enable СПИСОК, --disable СПИСОК (номера 5,6,8,9,10 через запятую),\n"
           "  --filter on|off, --alpha N (коэффициент фильтра N/100; по умолчанию 0.2)\n";
}

}  // namespace tornel::cli
