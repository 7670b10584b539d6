#include "cli/options.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <sstream>

#include "cli/command_table.h"
#include "sets/parameter_set_file.h"

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

// "packet, generate, send, decode, devices, listen".
std::string CommandNames(CommandSet commands = kAllCommands) {
    std::string text;
    for (const CommandRow& row : kCommands) {
        if (Takes(commands, row.command)) {
            text += (text.empty() ? "" : ", ") + std::string(row.name);
        }
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

// The options that set what a packet carries; --help lists them under ПАРАМЕТРЫ.
bool IsParameterRow(const OptionRow& row) {
    return row.commands == kParameterCommands;
}

bool IsFieldsRow(const OptionRow& row) {
    return row.apply == ApplyFields;
}

bool Names(const OptionRow& row, const std::string& option, const ParameterTable& table) {
    return IsFieldsRow(row) ? ParameterOfOption(option, table) != 0
                            : option == row.name || (row.alias != nullptr && option == row.alias);
}

// The row of an option, by its name or alias: of those that name it, the one `command` takes
// (pattern's --p10 is a row of its own), else the first; null for an option nobody takes.
const OptionRow* RowOf(const std::string& option, const ParameterTable& table,
                       CommandSet command = kAllCommands) {
    const OptionRow* first = nullptr;
    for (const OptionRow& row : kOptions) {
        if (Names(row, option, table)) {
            if ((row.commands & command) != 0) {
                return &row;
            }
            first = first != nullptr ? first : &row;
        }
    }
    return first;
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
std::string AllowedText(const OptionRow& row, const std::string& option,
                        const ParameterTable& table) {
    if (row.allowed != nullptr) {
        return row.allowed;
    }
    if (row.apply == ApplyBoxes) {
        return "номера " + BoxNumbers(", ") + " через запятую";
    }
    if (!IsFieldsRow(row) && row.apply != ApplyPatternDurations) {
        return RangeText(row.min, row.max);
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

[[noreturn]] void Fail(const OptionRow& row, const std::string& option, const std::string& problem,
                       const Options& o) {
    Fail(option, problem, AllowedText(row, option, *o.parameters));
}

std::vector<std::string> SplitList(const std::string& option, const std::string& text,
                                   const std::string& allowed) {
    std::vector<std::string> items;
    std::istringstream list(text + ',');  // the comma closes the last item, even an empty one
    for (std::string item; std::getline(list, item, ',');) {
        if (item.empty()) {
            Fail(option,
                 text.empty() ? "пустое значение" : "пустой элемент в списке \"" + text + "\"",
                 allowed);
        }
        items.push_back(item);
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

const CommandRow& CommandNamed(const std::string& name) {
    const auto known = std::find_if(kCommands.begin(), kCommands.end(),
                                    [&](const CommandRow& row) { return name == row.name; });
    if (known == kCommands.end()) {
        throw UsageError("неизвестная команда \"" + name + "\"; допустимы " + CommandNames());
    }
    return *known;
}

// The value of an option is missing when the arguments end or another option follows.
bool IsOptionName(const std::string& arg) {
    return arg.starts_with("--");
}

bool AsksForHelp(const std::string& arg) {
    const OptionRow* row = RowOf(arg, kParameterTable);
    return row != nullptr && row->name == std::string(kHelpOption);
}

}  // namespace

// The file is read by the command (InputsOf); the options after it are marked to win over it.
void ApplyLoad(const OptionRow& row, const std::string& option, const std::string& value,
               Options& o) {
    if (value.empty()) {
        Fail(row, option, "пустое значение", o);
    }
    o.load = LoadRequest{};
    o.load.file = value;
    o.load.before = o.inputs;
}

// One value, or for parameter 10 its three durations separated by commas.
void ApplyFields(const OptionRow& row, const std::string& option, const std::string& text,
                 Options& o) {
    const ParameterTable& table = *o.parameters;
    const auto fields = FieldsOf(ParameterOfOption(option, table), table);
    const std::string allowed = AllowedText(row, option, table);
    const auto items =
        fields.size() > 1 ? SplitList(option, text, allowed) : std::vector<std::string>{text};
    if (items.size() != fields.size()) {
        Fail(option, "задано длительностей: " + std::to_string(items.size()), allowed);
    }
    for (std::size_t k = 0; k < fields.size(); ++k) {
        const ParameterField& f = table[fields[k]];
        o.inputs.fields[fields[k]] = ParseInRange(option, items[k], f.min, f.max, allowed);
        o.load.fieldsAfter[fields[k]] = true;
    }
}

void ApplyBoxes(const OptionRow& row, const std::string& option, const std::string& list,
                Options& o) {
    const std::string allowed = AllowedText(row, option, *o.parameters);
    for (const auto& item : SplitList(option, list, allowed)) {
        const int parameter = ParseInt32(option, item, allowed);
        bool* box = BoxOf(parameter, o.inputs.boxes);
        if (box == nullptr) {
            Fail(option, "нет флажка у параметра " + item, allowed);
        }
        *box = option == "--enable";
        *BoxOf(parameter, o.load.boxesAfter) = true;
    }
}

void ApplyFilter(const OptionRow& row, const std::string& option, const std::string& value,
                 Options& o) {
    if (value != "on" && value != "off") {
        Fail(row, option, "получено \"" + value + "\"", o);
    }
    o.filterOn = value == "on";
}

void ApplyAlpha(const OptionRow& row, const std::string& option, const std::string& value,
                Options& o) {
    o.alpha = ParseWholeNumber(option, value, row.min, row.max) / 100.0;
}

void ApplyPtt(const OptionRow&, const std::string& option, const std::string& value, Options& o) {
    try {
        o.ptt = ptt::ParsePttChoice(value);
    } catch (const ptt::PttChoiceError& e) {
        throw UsageError(option + ": " + e.what());
    }
}

void ApplyPatternDurations(const OptionRow& row, const std::string& option,
                           const std::string& value, Options& o) {
    ApplyFields(row, option, value, o);
}

int ParseWholeNumber(const std::string& option, const std::string& text, int min, int max) {
    return ParseInRange(option, text, min, max, RangeText(min, max));
}

Options ParseCommandLine(const std::vector<std::string>& args, const ParameterTable& table) {
    if (args.empty()) {
        throw UsageError("не задана команда; допустимы " + CommandNames() +
                         "; справка: " + "tornel4-cli " + kHelpOption);
    }
    Options o;
    o.parameters = &table;
    o.inputs.fields = DesignFields(table);
    const CommandRow& command = CommandNamed(args[0]);
    o.command = command.command;
    if (std::any_of(args.begin() + 1, args.end(), AsksForHelp)) {
        o.help = true;
        return o;
    }
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (command.operand != nullptr && !IsOptionName(arg) && o.file.empty()) {
            o.file = arg;
            continue;
        }
        const OptionRow* row = RowOf(arg, table, CommandsOf(o.command));
        if (row == nullptr || row->apply == nullptr || !Takes(row->commands, o.command)) {
            throw UsageError("неизвестный параметр \"" + arg + "\" для команды " + args[0]);
        }
        if (row->value == nullptr && !IsFieldsRow(*row)) {
            row->apply(*row, arg, {}, o);
            continue;
        }
        if (i + 1 >= args.size() || IsOptionName(args[i + 1])) {
            Fail(*row, arg, "не задано значение", o);
        }
        row->apply(*row, arg, args[i + 1], o);
        ++i;
    }
    if (command.operand != nullptr && o.file.empty()) {
        throw UsageError(std::string(command.name) + ": " + command.operandMissing);
    }
    return o;
}

ParameterSet InputsOf(const Options& o) {
    if (o.load.file.empty()) {
        return {{}, o.inputs};
    }
    ParameterSet set;
    try {
        set = LoadParameterSource(o.load.file, o.load.before, *o.parameters);
    } catch (const ParameterSetError& e) {
        throw UsageError(std::string("--load: ") + e.what());
    }
    for (std::size_t i = 0; i < o.inputs.fields.size(); ++i) {
        if (o.load.fieldsAfter[i]) {
            set.inputs.fields[i] = o.inputs.fields[i];
        }
    }
    for (const EnablingBox& box : kEnablingBoxes) {
        if (o.load.boxesAfter.*box.state) {
            set.inputs.boxes.*box.state = o.inputs.boxes.*box.state;
        }
    }
    return set;
}

namespace {

constexpr std::size_t kHelpWidth = 80;
constexpr std::size_t kHelpIndent = 6;  // where an option's meaning starts, below its name

// The width of a UTF-8 text in characters.
std::size_t Width(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

// `text` in lines of at most kHelpWidth characters, each after `indent` blanks, broken at blanks.
std::string Wrapped(const std::string& text, std::size_t indent) {
    std::string out;
    std::string line;
    std::istringstream words(text);
    for (std::string word; words >> word;) {
        if (!line.empty() && indent + Width(line) + 1 + Width(word) > kHelpWidth) {
            out += std::string(indent, ' ') + line + '\n';
            line.clear();
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return out + std::string(indent, ' ') + line + '\n';
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at)) {
        text.replace(at, from.size(), to);
        at += to.size();
    }
    return text;
}

std::string OnOff(bool on) {
    return on ? "включён" : "выключен";
}

// "порог срабатывания вокса, * 10 мВ: от 1 до 100, по умолчанию 5", and for a field that a
// clear box sends as 0, on a line of its own, which box that is and its default state.
std::string FieldHelp(const ParameterField& f, const std::string& indent) {
    std::string text = NameWithUnit(f) + ": от " + std::to_string(f.min) + " до " +
                       std::to_string(f.max) + ", по умолчанию " + std::to_string(f.design) + '\n';
    const BoxStates designBoxes;
    if (const bool* box = BoxOf(f.box, designBoxes); f.zeroedByBox && box != nullptr) {
        text += std::string(kHelpIndent, ' ') + indent + "в пакете 0, когда флажок " +
                std::to_string(f.box) + " выключен (по умолчанию " + OnOff(*box) + ")\n";
    }
    return text;
}

std::string ParametersHelp(const ParameterTable& table) {
    const std::string indent(kHelpIndent, ' ');
    std::string text;
    for (int parameter : ParameterNumbers(table)) {
        const auto fields = FieldsOf(parameter, table);
        const std::string option = "  --" + ParameterKey(parameter);
        if (fields.size() == 1) {
            text += option + " N\n" + indent + FieldHelp(table[fields[0]], "");
            continue;
        }
        std::string values;
        for (std::size_t k = 1; k <= fields.size(); ++k) {
            values += (k == 1 ? "N" : ",N") + std::to_string(k);
        }
        text += option + " " + values + '\n' + indent + std::to_string(fields.size()) +
                " значения через запятую:\n";
        for (std::size_t k = 0; k < fields.size(); ++k) {
            text +=
                indent + "N" + std::to_string(k + 1) + " - " + FieldHelp(table[fields[k]], "     ");
        }
    }
    return text;
}

std::string NumberText(double value) {
    std::ostringstream text;
    text << value;
    return text.str();
}

// "  --repeat K" and below it what it does; an option of some commands names them first.
std::string OptionHelp(const OptionRow& row, const ParameterTable& table) {
    if (IsFieldsRow(row)) {
        return ParametersHelp(table);
    }
    std::string head = std::string("  ") + row.name;
    head += row.alias != nullptr ? std::string(", ") + row.alias : "";
    head += row.value != nullptr ? std::string(" ") + row.value : "";
    std::string help = row.help;
    help = Replaced(help, "{min}", std::to_string(row.min));
    help = Replaced(help, "{max}", std::to_string(row.max));
    help = Replaced(help, "{default}", std::to_string(row.preset));
    help = Replaced(help, "{initial}", NumberText(kInitialAlpha));
    help = Replaced(help, "{boxes}", BoxNumbers(","));
    if (const int parameter = ParameterOfOption(row.name, table); parameter != 0) {
        const auto fields = FieldsOf(parameter, table);
        std::string design;
        for (std::size_t i : fields) {
            design += (design.empty() ? "" : ",") + std::to_string(table[i].design);
        }
        help = Replaced(help, "{durations}", DurationsText(fields, table));
        help = Replaced(help, "{design}", design);
    }
    if (!IsParameterRow(row) && row.commands != 0 && row.commands != kAllCommands) {
        help = CommandNames(row.commands) + ": " + help;
    }
    return head + '\n' + Wrapped(help, kHelpIndent);
}

// "  tornel4-cli send     [ПАРАМЕТРЫ] [--device ИМЯ] [--level N] ...", its options wrapped to
// kHelpWidth under the first of them.
std::string Synopsis(const CommandRow& command) {
    std::string name = command.name;
    name.resize(std::max<std::size_t>(name.size(), 8), ' ');
    const std::string head = "  tornel4-cli " + name;
    std::vector<std::string> pieces;
    if (Takes(kParameterCommands, command.command)) {
        pieces.emplace_back("[ПАРАМЕТРЫ]");
    }
    if (command.operand != nullptr) {
        pieces.emplace_back(command.operand);
    }
    for (const OptionRow& row : kOptions) {
        if (!IsParameterRow(row) && row.commands != kAllCommands &&
            Takes(row.commands, command.command)) {
            pieces.push_back(std::string("[") + row.name +
                             (row.value ? std::string(" ") + row.value : "") + "]");
        }
    }
    std::string text = head;
    std::size_t width = Width(head);
    bool lineHasPiece = false;
    for (const std::string& piece : pieces) {
        if (lineHasPiece && width + 1 + Width(piece) > kHelpWidth) {
            text += '\n' + std::string(Width(head), ' ');
            width = Width(head);
        }
        text += ' ' + piece;
        width += 1 + Width(piece);
        lineHasPiece = true;
    }
    return text + '\n';
}

// The usage of `commands`, what they do, their options and the exit statuses. `all`: every
// command, and the options taken before any (--version).
std::string HelpText(CommandSet commands, bool all, const ParameterTable& table) {
    std::string text = "Использование:\n";
    std::string summaries;
    for (const CommandRow& command : kCommands) {
        if (Takes(commands, command.command)) {
            text += Synopsis(command);
            summaries +=
                (summaries.empty() ? "" : "; ") + std::string(command.name) + " " + command.summary;
        }
    }
    text += '\n' + Wrapped(summaries + ".", 0);
    std::string parameters;
    std::string others;
    for (const OptionRow& row : kOptions) {
        if ((row.commands & commands) != 0 || (all && row.commands == 0)) {
            (IsParameterRow(row) ? parameters : others) += OptionHelp(row, table);
        }
    }
    if (!parameters.empty()) {
        text += "\nПАРАМЕТРЫ (не заданные берутся такими, с какими открывается окно программы):\n" +
                parameters;
    }
    return text + "\nПрочее:\n" + others + '\n' +
           Wrapped(
               "Код выхода: 0 - успех (listen: услышан пакет с верной CRC); 1 - ошибка "
               "записи или выдачи, пакет не найден или CRC неверна, передатчик не включается "
               "или отпущен по предельному времени; 2 - неверные аргументы или файл не "
               "читается; 130, 143 - send или pattern с --ptt прерваны Ctrl-C или SIGTERM, "
               "передатчик отпущен.",
               0);
}

}  // namespace

std::string UsageText(const ParameterTable& table) {
    return HelpText(kAllCommands, true, table);
}

std::string CommandUsageText(Command command, const ParameterTable& table) {
    return HelpText(CommandsOf(command), false, table);
}

}  // namespace tornel::cli
