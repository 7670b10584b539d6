#include "cli/options.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <map>
#include <set>

#include "signal/parameter_set_file.h"

namespace tornel::cli {

namespace {

std::string RangeText(int min, int max) {
    return "целое число от " + std::to_string(min) + " до " + std::to_string(max);
}

// "5, 6, 8, 9, 10" or, with `separator` ",", "5,6,8,9,10".
std::string BoxNumbers(const char* separator) {
    std::string text;
    for (const EnablingBox& box : kEnablingBoxes) {
        text += (text.empty() ? "" : separator) + std::to_string(box.parameter);
    }
    return text;
}

// The parameter of an option "--p1" .. "--p10"; 0 for any other option.
int ParameterOfOption(const std::string& option, const ParameterTable& table) {
    for (int parameter : ParameterNumbers(table)) {
        if (option == "--" + ParameterKey(parameter)) {
            return parameter;
        }
    }
    return 0;
}

// What the option of a parameter with several fields (the durations of parameter 10) accepts.
std::string DurationsText(const std::vector<std::size_t>& fields, const ParameterTable& table) {
    std::string text =
        "три длительности в секундах через запятую (первая PTT, пауза, вторая PTT), ";
    const ParameterField& first = table[fields.front()];
    const bool sameRange = std::all_of(fields.begin(), fields.end(), [&](std::size_t i) {
        return table[i].min == first.min && table[i].max == first.max;
    });
    if (sameRange) {
        return text + "каждая " + RangeText(first.min, first.max);
    }
    for (std::size_t i : fields) {
        text += std::string(i == fields.front() ? "" : ", ") + table[i].name + " " +
                RangeText(table[i].min, table[i].max);
    }
    return text;
}

// What an option accepts, for its error messages.
std::string AllowedText(const std::string& option, const ParameterTable& table) {
    if (option == "--enable" || option == "--disable") {
        return "номера " + BoxNumbers(", ") + " через запятую";
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
    if (option == "--level") {
        return RangeText(platform::kLevelMin, platform::kLevelMax);
    }
    if (option == "--device") {
        return "имя устройства из tornel4-cli devices";
    }
    if (option == "--seconds") {
        return RangeText(1, kMaxListenSeconds);
    }
    if (option == "--count") {
        return RangeText(1, kMaxListenCount);
    }
    if (option == "--load") {
        return "набор параметров (JSON) или запись сигнала (WAV)";
    }
    if (option == "--save") {
        return "имя файла набора параметров";
    }
    const auto fields = FieldsOf(ParameterOfOption(option, table), table);
    if (fields.size() > 1) {
        return DurationsText(fields, table);
    }
    const ParameterField& f = table[fields.at(0)];
    return RangeText(f.min, f.max);
}

[[noreturn]] void Fail(const std::string& option, const std::string& problem,
                       const std::string& allowed) {
    throw UsageError(option + ": " + problem + "; допустимо: " + allowed);
}

std::vector<std::string> SplitList(const std::string& option, const std::string& text,
                                   const std::string& allowed) {
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
                 text.empty() ? "пустое значение" : "пустой элемент в списке \"" + text + "\"",
                 allowed);
        }
    }
    return items;
}

// A whole decimal number with an optional sign that fits 32 bits; nothing else.
std::int32_t ParseInt32(const std::string& option, const std::string& text,
                        const std::string& allowed) {
    if (text.empty()) {
        Fail(option, "пустое значение", allowed);
    }
    const char* first = text.data();
    const char* last = text.data() + text.size();
    if (*first == '+') {
        ++first;
    }
    std::int32_t value = 0;
    const auto [end, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range) {
        Fail(option, "число \"" + text + "\" слишком велико", allowed);
    }
    if (ec != std::errc() || end != last || first == last) {
        Fail(option, "\"" + text + "\" не целое число", allowed);
    }
    return value;
}

// A number in [min, max]; a text that is no number is refused naming `allowed`.
int ParseInRange(const std::string& option, const std::string& text, int min, int max,
                 const std::string& allowed) {
    const std::int32_t value = ParseInt32(option, text, allowed);
    if (value < min || value > max) {
        throw UsageError(option + ": значение " + text +
                         " вне диапазона; допустимо: " + RangeText(min, max));
    }
    return value;
}

Command ParseCommandName(const std::string& name) {
    static const std::map<std::string, Command> commands{
        {"packet", Command::Packet}, {"generate", Command::Generate}, {"send", Command::Send},
        {"decode", Command::Decode}, {"devices", Command::Devices},   {"listen", Command::Listen}};
    const auto it = commands.find(name);
    if (it == commands.end()) {
        throw UsageError("неизвестная команда \"" + name +
                         "\"; допустимы packet, generate, send, decode, devices, listen");
    }
    return it->second;
}

// Which options a command takes beyond the parameters.
bool CommandTakes(Command command, const std::string& option) {
    if (option == "--json") {
        return command != Command::Send;
    }
    if (option == "--dir" || option == "--repeat") {
        return command == Command::Generate;
    }
    if (option == "--device") {
        return command == Command::Send || command == Command::Listen;
    }
    if (option == "--level") {
        return command == Command::Send;
    }
    if (option == "--save") {
        return command == Command::Packet;
    }
    if (option == "--seconds" || option == "--count") {
        return command == Command::Listen;
    }
    return false;
}

bool IsSettingOption(const std::string& option) {
    static const std::set<std::string> names{"--enable", "--disable", "--filter", "--alpha",
                                             "--load"};
    return names.contains(option);
}

// The value of an option is missing when the arguments end or another option follows.
bool IsOptionName(const std::string& arg) {
    return arg.starts_with("--");
}

// The options that set the parameters, the boxes and the filter, read against one table.
class ParameterOptions {
  public:
    explicit ParameterOptions(const ParameterTable& table) : table_(table) {}

    bool Takes(const std::string& option) const {
        return ParameterOfOption(option, table_) != 0 || IsSettingOption(option);
    }

    [[noreturn]] void Fail(const std::string& option, const std::string& problem) const {
        cli::Fail(option, problem, AllowedText(option, table_));
    }

    void Apply(const std::string& option, const std::string& value, Options& o) const {
        if (option == "--enable" || option == "--disable") {
            SetBoxes(option, value, option == "--enable", o.inputs.boxes);
        } else if (option == "--filter") {
            if (value != "on" && value != "off") {
                Fail(option, "получено \"" + value + "\"");
            }
            o.filterOn = value == "on";
        } else if (option == "--alpha") {
            o.alpha = ParseWholeNumber(option, value, 0, 100) / 100.0;
        } else if (option == "--load") {
            Load(option, value, o);
        } else {
            SetFields(option, value, o.inputs);
        }
    }

  private:
    // Every field and box from the set or recording; the options after it override them.
    void Load(const std::string& option, const std::string& path, Options& o) const {
        try {
            ParameterSet set = LoadParameterSource(path, o.inputs, table_);
            o.inputs = set.inputs;
            o.setName = std::move(set.name);
        } catch (const ParameterSetError& e) {
            throw UsageError(option + ": " + e.what());
        }
    }

    void SetBoxes(const std::string& option, const std::string& list, bool state,
                  BoxStates& boxes) const {
        const std::string allowed = AllowedText(option, table_);
        for (const auto& item : SplitList(option, list, allowed)) {
            bool* box = BoxOf(ParseInt32(option, item, allowed), boxes);
            if (box == nullptr) {
                Fail(option, "нет флажка у параметра " + item);
            }
            *box = state;
        }
    }

    // One value, or for parameter 10 its three durations separated by commas.
    void SetFields(const std::string& option, const std::string& text, PacketInputs& inputs) const {
        const auto fields = FieldsOf(ParameterOfOption(option, table_), table_);
        const std::string allowed = AllowedText(option, table_);
        const auto items =
            fields.size() > 1 ? SplitList(option, text, allowed) : std::vector<std::string>{text};
        if (items.size() != fields.size()) {
            Fail(option, "задано длительностей: " + std::to_string(items.size()));
        }
        for (std::size_t k = 0; k < fields.size(); ++k) {
            const ParameterField& f = table_[fields[k]];
            inputs.fields[fields[k]] = ParseInRange(option, items[k], f.min, f.max, allowed);
        }
    }

    const ParameterTable& table_;
};

// The value of an option that names a folder, a file or a device.
const std::string& NonEmpty(const std::string& option, const std::string& value, const Options& o) {
    if (value.empty()) {
        Fail(option, "пустое значение", AllowedText(option, *o.parameters));
    }
    return value;
}

void ApplyCommandOption(const std::string& option, const std::string& value, Options& o) {
    if (option == "--dir") {
        o.dir = NonEmpty(option, value, o);
    } else if (option == "--repeat") {
        o.repeat = ParseWholeNumber(option, value, 1, kMaxRepeat);
    } else if (option == "--device") {
        o.device = NonEmpty(option, value, o);
    } else if (option == "--level") {
        o.level = ParseWholeNumber(option, value, platform::kLevelMin, platform::kLevelMax);
    } else if (option == "--save") {
        o.saveFile = NonEmpty(option, value, o);
    } else if (option == "--seconds") {
        o.seconds = ParseWholeNumber(option, value, 1, kMaxListenSeconds);
    } else if (option == "--count") {
        o.count = ParseWholeNumber(option, value, 1, kMaxListenCount);
    }
}

}  // namespace

int ParseWholeNumber(const std::string& option, const std::string& text, int min, int max) {
    return ParseInRange(option, text, min, max, RangeText(min, max));
}

Options ParseCommandLine(const std::vector<std::string>& args, const ParameterTable& table) {
    if (args.empty()) {
        throw UsageError(
            "не задана команда; допустимы packet, generate, send, decode, devices, listen");
    }
    const ParameterOptions parameters(table);
    Options o;
    o.parameters = &table;
    o.inputs.fields = DesignFields(table);
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
        const bool takesParameters = o.command != Command::Decode &&
                                     o.command != Command::Devices && o.command != Command::Listen;
        const bool isParameter = takesParameters && parameters.Takes(arg);
        if (!isParameter && !CommandTakes(o.command, arg)) {
            throw UsageError("неизвестный параметр \"" + arg + "\" для команды " + args[0]);
        }
        if (i + 1 >= args.size() || IsOptionName(args[i + 1])) {
            Fail(arg, "не задано значение", AllowedText(arg, table));
        }
        const std::string& value = args[++i];
        if (isParameter) {
            parameters.Apply(arg, value, o);
        } else {
            ApplyCommandOption(arg, value, o);
        }
    }
    if (o.command == Command::Decode && o.file.empty()) {
        throw UsageError("decode: не задан WAV-файл");
    }
    return o;
}

namespace {

// "--p5 N" padded to the column where the meanings start (counted in characters, not bytes).
std::string OptionColumn(const std::string& option) {
    constexpr std::size_t kWidth = 20;
    const auto width =
        static_cast<std::size_t>(std::count_if(option.begin(), option.end(), [](char c) {
            return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    return "  " + option + std::string(width < kWidth ? kWidth - width : 1, ' ');
}

std::string OnOff(bool on) {
    return on ? "включён" : "выключен";
}

// "порог срабатывания вокса, * 10 мВ: от 1 до 100, по умолчанию 5", and for a field that a
// clear box sends as 0, on a line of its own, which box that is and its default state.
std::string FieldHelp(const ParameterField& f, const std::string& indent) {
    std::string text = NameWithUnit(f) + ": от " + std::to_string(f.min) + " до " +
                       std::to_string(f.max) + ", по умолчанию " + std::to_string(f.design);
    const BoxStates designBoxes;
    if (const bool* box = BoxOf(f.box, designBoxes); f.zeroedByBox && box != nullptr) {
        text += "\n" + OptionColumn("") + indent + "в пакете 0, когда флажок " +
                std::to_string(f.box) + " выключен (по умолчанию " + OnOff(*box) + ")";
    }
    return text + '\n';
}

std::string ParametersHelp(const ParameterTable& table) {
    std::string text;
    for (int parameter : ParameterNumbers(table)) {
        const auto fields = FieldsOf(parameter, table);
        const std::string option = "--" + ParameterKey(parameter);
        if (fields.size() == 1) {
            text += OptionColumn(option + " N") + FieldHelp(table[fields[0]], "");
            continue;
        }
        std::string values;
        for (std::size_t k = 1; k <= fields.size(); ++k) {
            values += (k == 1 ? "N" : ",N") + std::to_string(k);
        }
        text += OptionColumn(option + " " + values) + std::to_string(fields.size()) +
                " значения через запятую:\n";
        for (std::size_t k = 0; k < fields.size(); ++k) {
            text += OptionColumn("") + "  N" + std::to_string(k + 1) + " - " +
                    FieldHelp(table[fields[k]], "       ");
        }
    }
    return text;
}

}  // namespace

std::string UsageText(const ParameterTable& table) {
    return "Использование:\n"
           "  tornel4-cli packet   [ПАРАМЕТРЫ] [--save ФАЙЛ] [--json]\n"
           "  tornel4-cli generate [ПАРАМЕТРЫ] [--dir ПАПКА] [--repeat K] [--json]\n"
           "  tornel4-cli send     [ПАРАМЕТРЫ] [--device ИМЯ] [--level N]\n"
           "  tornel4-cli decode   ФАЙЛ.wav [--json]\n"
           "  tornel4-cli devices  [--json]\n"
           "  tornel4-cli listen   [--device ВХОД] [--seconds N] [--count K] [--json]\n"
           "\n"
           "packet строит пакет программирования и печатает его с расчётом CRC; generate пишет\n"
           "сигнал в _qq.wav и 9_fmsig.h; send пишет их и выдаёт сигнал на звуковой выход;\n"
           "decode восстанавливает пакет и параметры из записи сигнала; devices перечисляет\n"
           "звуковые выходы (имя, описание, выход по умолчанию); listen слушает звуковой вход и\n"
           "печатает строку на каждый услышанный пакет.\n"
           "\n"
           "ПАРАМЕТРЫ (не заданные берутся такими, с какими открывается окно программы):\n" +
           OptionColumn("--load ФАЙЛ") +
           "все поля и флажки из набора параметров (JSON) или из записи сигнала (WAV);\n" +
           OptionColumn("") + "параметры, заданные после --load, заменяют загруженные\n" +
           ParametersHelp(table) + OptionColumn("--enable СПИСОК") +
           "включить флажки параметров (номера " + BoxNumbers(",") + " через запятую)\n" +
           OptionColumn("--disable СПИСОК") + "выключить флажки параметров\n" +
           OptionColumn("--filter on|off") + "модуляционный фильтр, по умолчанию on\n" +
           OptionColumn("--alpha N") +
           "коэффициент фильтра N/100, N от 0 до 100; по умолчанию коэффициент 0.2\n"
           "\n"
           "Прочее:\n" +
           OptionColumn("--save ФАЙЛ") + "записать набор заданных параметров в файл (packet)\n" +
           OptionColumn("--dir ПАПКА") +
           "папка для _qq.wav и 9_fmsig.h (generate), по умолчанию .\n" +
           OptionColumn("--repeat K") + "K выдач подряд (generate), от 1 до " +
           std::to_string(kMaxRepeat) + ", по умолчанию 1\n" + OptionColumn("--device ИМЯ") +
           "звуковой выход (send) или вход (listen) по имени из devices; по умолчанию\n" +
           OptionColumn("") + "выход или вход системы\n" + OptionColumn("--level N") +
           "уровень выдачи (send), % полной амплитуды, от " + std::to_string(platform::kLevelMin) +
           " до " + std::to_string(platform::kLevelMax) + ", по умолчанию " +
           std::to_string(platform::kLevelMax) + "\n" + OptionColumn("--seconds N") +
           "слушать N секунд (listen), по умолчанию без предела\n" + OptionColumn("--count K") +
           "закончить после K пакетов (listen)\n" + OptionColumn("--json") +
           "вывод объектом JSON (packet, generate, decode, devices; listen - по объекту на\n" +
           OptionColumn("") + "пакет)\n" + OptionColumn("--help, -h") +
           "эта справка (первым аргументом)\n" + OptionColumn("--version") +
           "версия программы (первым аргументом)\n"
           "\n"
           "Код выхода: 0 - успех (listen: услышан пакет с верной CRC); 1 - ошибка записи или\n"
           "выдачи, пакет не найден или CRC неверна;\n"
           "2 - неверные аргументы или файл не читается.\n";
}

}  // namespace tornel::cli
