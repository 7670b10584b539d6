#include "cli/options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "cli/command_table.h"

namespace tornel::cli {
namespace {

Options Parse(std::vector<std::string> args) {
    return ParseCommandLine(args);
}

std::string ErrorOf(std::vector<std::string> args) {
    try {
        ParseCommandLine(args);
    } catch (const UsageError& e) {
        return e.what();
    }
    return "";
}

TEST(ParseCommandLine, DefaultsAreTheWindowsDesignValues) {
    const Options o = Parse({"packet"});
    EXPECT_EQ(o.command, Command::Packet);
    EXPECT_EQ(o.inputs.fields, PacketInputs{}.fields);
    EXPECT_TRUE(o.inputs.boxes.box5);
    EXPECT_TRUE(o.inputs.boxes.box6);
    EXPECT_FALSE(o.inputs.boxes.box8 || o.inputs.boxes.box9 || o.inputs.boxes.box10);
    EXPECT_TRUE(o.filterOn);
    EXPECT_DOUBLE_EQ(o.alpha, 0.2);
    EXPECT_FALSE(o.json);
}

TEST(ParseCommandLine, ParametersBoxesAndFilter) {
    const Options o =
        Parse({"generate", "--p1",   "100",       "--p9",     "1755",     "--p10", "25,2,+4",
               "--enable", "8,9,10", "--disable", "5,6",      "--filter", "off",   "--alpha",
               "100",      "--dir",  "out",       "--repeat", "3",        "--json"});
    EXPECT_EQ(o.inputs.fields[0], 100);
    EXPECT_EQ(o.inputs.fields[8], 1755);
    EXPECT_EQ(o.inputs.fields[9], 25);
    EXPECT_EQ(o.inputs.fields[10], 2);
    EXPECT_EQ(o.inputs.fields[11], 4);
    EXPECT_FALSE(o.inputs.boxes.box5 || o.inputs.boxes.box6);
    EXPECT_TRUE(o.inputs.boxes.box8 && o.inputs.boxes.box9 && o.inputs.boxes.box10);
    EXPECT_FALSE(o.filterOn);
    EXPECT_DOUBLE_EQ(o.alpha, 1.0);
    EXPECT_EQ(o.dir, "out");
    EXPECT_EQ(o.repeat, 3);
    EXPECT_TRUE(o.json);
}

// The bounds themselves are accepted: the lowest filter coefficient and the most repetitions.
TEST(ParseCommandLine, AcceptsTheBoundsOfAlphaAndRepeat) {
    EXPECT_DOUBLE_EQ(Parse({"packet", "--alpha", "0"}).alpha, 0.0);
    EXPECT_EQ(Parse({"generate", "--repeat", std::to_string(kMaxRepeat)}).repeat, kMaxRepeat);
}

TEST(ParseCommandLine, SendTakesAnOutputAndALevel) {
    const Options o = Parse({"send", "--device", "usb-card", "--level", "35"});
    EXPECT_EQ(o.device, "usb-card");
    EXPECT_EQ(o.level, 35);
    EXPECT_EQ(Parse({"send"}).level, platform::kLevelMax);  // full level by default
    EXPECT_TRUE(Parse({"devices", "--json"}).json);
}

TEST(ParseCommandLine, SendAndPatternTakeTheTransmitterAndItsTimes) {
    const Options send = Parse({"send", "--ptt", "rigctld:localhost:4532", "--tx-delay", "0",
                                "--tx-tail", std::to_string(ptt::kTxTailMaxMs)});
    EXPECT_EQ(send.ptt, ptt::ParsePttChoice("rigctld:localhost:4532"));
    EXPECT_EQ(send.txDelayMs, 0);
    EXPECT_EQ(send.txTailMs, ptt::kTxTailMaxMs);
    const Options plain = Parse({"send"});
    EXPECT_FALSE(plain.ptt.Keys());
    EXPECT_EQ(plain.txDelayMs, ptt::kTxDelayDefaultMs);
    EXPECT_EQ(plain.txTailMs, ptt::kTxTailDefaultMs);

    // pattern: the durations of parameter 10, its design values unless --p10 gives them.
    const auto fields = FieldsOf(10);
    const Options pattern = Parse({"pattern", "--ptt", "rts:/dev/ttyUSB0"});
    EXPECT_EQ(pattern.command, Command::Pattern);
    std::string design;
    for (std::size_t i : fields) {
        EXPECT_EQ(pattern.inputs.fields[i], kParameterTable[i].design);
        design += (design.empty() ? "" : ",") + std::to_string(kParameterTable[i].design);
    }
    EXPECT_NE(CommandUsageText(Command::Pattern).find("по умолчанию " + design), std::string::npos);
    const Options given = Parse({"pattern", "--p10", "5,6,7"});
    EXPECT_EQ(given.inputs.fields[fields[0]], 5);
    EXPECT_EQ(given.inputs.fields[fields[2]], 7);
}

TEST(ParseCommandLine, DecodeTakesOneFile) {
    const Options o = Parse({"decode", "rec.wav", "--json"});
    EXPECT_EQ(o.file, "rec.wav");
    EXPECT_TRUE(o.json);
    EXPECT_NE(ErrorOf({"decode"}), "");
    EXPECT_NE(ErrorOf({"decode", "a.wav", "b.wav"}), "");
    EXPECT_NE(ErrorOf({"decode", "a.wav", "--p1", "5"}), "");
}

TEST(ParseCommandLine, BadArgumentsNameTheOptionAndItsRange) {
    struct Case {
        std::vector<std::string> args;
        std::string mustContain;
    };
    const std::vector<Case> cases{
        {{"packet", "--p1", "101"},
         "--p1: значение 101 вне диапазона; допустимо: целое число от 1 до 100"},
        {{"packet", "--p1", "5x"},
         "--p1: \"5x\" не целое число; допустимо: целое число от 1 до 100"},
        {{"packet", "--p3", ""}, "--p3: пустое значение; допустимо: целое число от 0 до 255"},
        {{"packet", "--p3", "-1"}, "от 0 до 255"},
        {{"packet", "--p9", "1901"}, "от 300 до 1900"},
        {{"packet", "--p9", "99999999999"}, "слишком велико; допустимо: целое число от 300"},
        {{"packet", "--p5", "1.5"}, "не целое число"},
        {{"packet", "--p10", "26,3,4"},
         "--p10: значение 26 вне диапазона; допустимо: целое число от 2 до 25"},
        {{"packet", "--p10", "2,3"}, "--p10: задано длительностей: 2; допустимо: три длительности"},
        {{"packet", "--p10", "2,,3"}, "--p10: пустой элемент в списке \"2,,3\"; допустимо: три"},
        {{"packet", "--p10", ""}, "--p10: пустое значение; допустимо: три длительности"},
        {{"packet", "--enable", "7"}, "--enable: нет флажка у параметра 7; допустимо: номера 5, 6"},
        {{"packet", "--disable", "1"}, "--disable: нет флажка у параметра 1; допустимо: номера"},
        {{"packet", "--enable", "5,"}, "--enable: пустой элемент"},
        {{"packet", "--filter", "yes"}, "--filter: получено \"yes\"; допустимо: on или off"},
        {{"packet", "--alpha", "101"}, "--alpha: значение 101 вне диапазона"},
        {{"packet", "--p1"}, "--p1: не задано значение; допустимо: целое число от 1 до 100"},
        {{"generate", "--p1", "--dir", "x"}, "--p1: не задано значение"},
        {{"generate", "--filter"}, "--filter: не задано значение; допустимо: on или off"},
        {{"packet", "--bogus", "1"}, "неизвестный параметр \"--bogus\""},
        {{"packet", "--dir", "x"}, "неизвестный параметр \"--dir\""},
        {{"generate", "--repeat", "0"}, "--repeat: значение 0 вне диапазона"},
        {{"listen", "--count", "0"}, "--count: значение 0 вне диапазона"},
        {{"generate", "--dir", ""}, "--dir: пустое значение; допустимо: имя папки"},
        {{"send", "--level", "101"},
         "--level: значение 101 вне диапазона; допустимо: целое число от 0 до 100"},
        {{"send", "--level", "-1"},
         "--level: значение -1 вне диапазона; допустимо: целое число от 0 до 100"},
        {{"send", "--level", "x"},
         "--level: \"x\" не целое число; допустимо: целое число от 0 до 100"},
        {{"send", "--device", ""}, "--device: пустое значение"},
        {{"packet", "--level", "5"}, "неизвестный параметр \"--level\""},
        {{"devices", "--p1", "5"}, "неизвестный параметр \"--p1\""},
        {{"send", "--ptt", "cat:1"}, "--ptt: неверное значение \"cat:1\": для cat нужны"},
        {{"send", "--ptt"},
         std::string("--ptt: не задано значение; допустимо: ") + ptt::kPttChoiceForms},
        {{"send", "--tx-delay", std::to_string(ptt::kTxDelayMaxMs + 1)},
         "--tx-delay: значение " + std::to_string(ptt::kTxDelayMaxMs + 1) + " вне диапазона"},
        {{"send", "--tx-tail", "-1"}, "--tx-tail: значение -1 вне диапазона"},
        {{"generate", "--ptt", "none"}, "неизвестный параметр \"--ptt\""},
        {{"pattern", "--tx-delay", "5"}, "неизвестный параметр \"--tx-delay\""},
        {{"pattern", "--p1", "5"}, "неизвестный параметр \"--p1\""},
        {{"pattern", "--p10", "1,3,4"}, "--p10: значение 1 вне диапазона"},
        {{"pattern", "--p10"}, "--p10: не задано значение; допустимо: три длительности"},
        {{"frobnicate"}, "неизвестная команда"},
        {{}, "не задана команда"},
    };
    for (const Case& c : cases) {
        const std::string error = ErrorOf(c.args);
        EXPECT_NE(error.find(c.mustContain), std::string::npos)
            << "args ending " << (c.args.empty() ? "" : c.args.back()) << ": got \"" << error
            << '"';
    }
}

// The width of a text in characters, not bytes.
std::size_t Columns(const std::string& line) {
    return static_cast<std::size_t>(
        std::count_if(line.begin(), line.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// --help anywhere after a command gives that command's help: its usage and the options it takes,
// no other; that help and the whole one fit 80 columns.
TEST(UsageText, EachCommandsHelpListsItsOwnOptionsWithin80Columns) {
    std::string all = UsageText();
    for (const CommandRow& command : kCommands) {
        SCOPED_TRACE(command.name);
        EXPECT_TRUE(Parse({command.name, "--level", "5", "--help"}).help);
        const std::string help = CommandUsageText(command.command);
        all += help;
        EXPECT_NE(help.find("  tornel4-cli " + std::string(command.name)), std::string::npos);
        EXPECT_EQ(help.find("--p1 N") != std::string::npos,
                  Takes(kParameterCommands, command.command));
        for (const OptionRow& row : kOptions) {
            if (row.apply != ApplyFields) {  // --p1 .. --p10, looked at above
                // The head line: pattern's --p10 is not the packet's.
                const std::string head = "\n  " + std::string(row.name) +
                                         (row.alias ? std::string(", ") + row.alias : "") +
                                         (row.value ? std::string(" ") + row.value : "") + "\n";
                EXPECT_EQ(help.find(head) != std::string::npos,
                          Takes(row.commands, command.command))
                    << row.name;
            }
        }
    }
    std::istringstream lines(all);
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(Columns(line), 80u) << line;
    }
}

// The manual page lists what the tables declare: every command in the synopsis, every option and
// parameter with an entry of its own giving its range, and no option the program does not take.
TEST(ManualPage, ListsTheCommandsAndOptionsOfTheTables) {
    std::ifstream in(TORNEL_SOURCE_DIR "/data/man/tornel4-cli.1");
    std::stringstream text;
    text << in.rdbuf();
    const std::string manual = text.str();
    for (const CommandRow& command : kCommands) {
        EXPECT_NE(manual.find("\n.B tornel4\\-cli " + std::string(command.name) + "\n"),
                  std::string::npos)
            << command.name;
    }
    // Each entry: ".TP" or ".TQ", then the option in bold, then its text up to the next entry.
    std::map<std::string, std::string> entries;
    std::string* current = nullptr;
    std::istringstream lines(manual);
    for (std::string line, previous; std::getline(lines, line); previous = line) {
        std::smatch option;
        if ((previous == ".TP" || previous == ".TQ") &&
            std::regex_search(line, option, std::regex(R"(^\.B[IR]? \\-\\-((?:[a-z0-9]|\\-)+))"))) {
            // "tx\-delay" in the page is --tx-delay.
            current =
                &entries["--" + std::regex_replace(option[1].str(), std::regex(R"(\\-)"), "-")];
        } else if (line.starts_with(".TP") || line.starts_with(".TQ") || line.starts_with(".SH")) {
            current = nullptr;
        } else if (current != nullptr) {
            *current += line + '\n';
        }
    }
    std::map<std::string, std::string> ranges;  // each option the program takes, and its range
    for (const OptionRow& row : kOptions) {
        ranges[row.name] =
            row.max > row.min ? std::to_string(row.min) + " to " + std::to_string(row.max) : "";
    }
    ranges.erase("--p");
    for (const ParameterField& f : kParameterTable) {
        ranges["--" + ParameterKey(f.parameter)] =
            std::to_string(f.min) + " to " + std::to_string(f.max);
    }
    for (const auto& [option, range] : ranges) {
        ASSERT_TRUE(entries.contains(option)) << option << " has no entry in the manual";
        EXPECT_NE(entries[option].find(range), std::string::npos) << option << ": " << range;
    }
    for (const auto& [option, text] : entries) {
        EXPECT_TRUE(ranges.contains(option)) << option << " is no option of the program";
    }
}

}  // namespace
}  // namespace tornel::cli
