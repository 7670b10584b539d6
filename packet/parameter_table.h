#pragma once
// The ten parameters of the controller, written once. Twelve fields (parameter 10 has three
// durations), each with its number, its Russian name and unit as the operator reads them, its
// range, step and design value, the packet byte it fills, the scale into that byte and the box
// that enables it. Everything that knows a parameter reads it here: the packet build and its
// range checks, the decoder's listing, the command line (options, messages, help), the window's
// fields and the parameter-set file.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tornel {

inline constexpr int kFieldCount = 12;

// How a field's value becomes its packet byte.
enum class ByteScale {
    AsIs,    // the value itself
    Tens,    // hertz into steps of 10 Hz: divided by 10, the remainder dropped
    Tenths,  // seconds into tenths of a second: multiplied by 10
};

struct ParameterField {
    int parameter;       // 1..10, as the window numbers its groups
    const char* member;  // the durations of parameter 10: "first", "pause", "second"; else null
    const char* name;  // as the operator reads it: "порог срабатывания вокса"
    const char* unit;  // "* 10 мВ", "* 100 мс", "с", "мин", "Гц"
    const char* listing;  // the decoder's shorter wording, unit included
    std::int32_t min;
    std::int32_t max;
    std::int32_t step;  // of the window's arrows
    std::int32_t design;
    int byte;  // packet byte, 2..13
    ByteScale scale;
    int box;           // the parameter whose box enables the field in the window; 0: none
    bool zeroedByBox;  // a clear box sends 0 in the byte; otherwise the byte is sent regardless
};

using ParameterTable = std::array<ParameterField, kFieldCount>;

// Parameter 10's durations stop at 25 s: in tenths of a second they must fit one byte.
inline constexpr ParameterTable kParameterTable{{
    {1, nullptr, "порог срабатывания вокса", "* 10 мВ", "порог VOX, шаг 10 мВ", 1, 100, 1, 5, 2,
     ByteScale::AsIs, 0, false},
    {2, nullptr, "задержка на включение передачи", "* 100 мс",
     "задержка включения передатчика, 100 мс", 1, 64, 1, 1, 3, ByteScale::AsIs, 0, false},
    {3, nullptr, "задержка на отключение передачи", "* 100 мс",
     "задержка выключения передатчика, 100 мс", 0, 255, 1, 30, 4, ByteScale::AsIs, 0, false},
    {4, nullptr, "минимальная пауза между передачами", "* 100 мс",
     "минимальная пауза между передачами, 100 мс", 1, 64, 1, 1, 5, ByteScale::AsIs, 0, false},
    {5, nullptr, "максимальное время передачи", "с", "максимальное время передачи, с", 5, 255, 2,
     60, 6, ByteScale::AsIs, 5, true},
    {6, nullptr, "время для вхождения в состояние ПАУЗА", "с", "время до входа в ПАУЗУ, с", 0, 64,
     1, 60, 7, ByteScale::AsIs, 6, true},
    {7, nullptr, "время выхода из состояния ПАУЗА", "* 100 мс", "время до выхода из ПАУЗЫ, 100 мс",
     5, 255, 2, 20, 8, ByteScale::AsIs, 6, false},
    {8, nullptr, "максимальное время активности", "мин", "максимальное время активности, мин", 1,
     255, 2, 50, 9, ByteScale::AsIs, 8, true},
    {9, nullptr, "частота открывающего сигнала", "Гц", "частота тона открытия, Гц", 300, 1900, 50,
     1750, 10, ByteScale::Tens, 9, true},
    {10, "first", "длительность первой PTT", "с", "первая посылка PTT, с", 2, 25, 2, 2, 11,
     ByteScale::Tenths, 10, true},
    {10, "pause", "длительность паузы", "с", "пауза между посылками, с", 2, 25, 2, 3, 12,
     ByteScale::Tenths, 10, false},
    {10, "second", "длительность второй PTT", "с", "вторая посылка PTT, с", 2, 25, 2, 4, 13,
     ByteScale::Tenths, 10, false},
}};

// The enabling boxes of parameters 5, 6, 8, 9 and 10, in their design states.
struct EnableBoxes {
    bool box5 = true;
    bool box6 = true;
    bool box8 = false;
    bool box9 = false;
    bool box10 = false;

    bool operator==(const EnableBoxes&) const = default;
};

struct EnablingBox {
    int parameter;
    bool EnableBoxes::*state;
};

inline constexpr std::array<EnablingBox, 5> kEnablingBoxes{{{5, &EnableBoxes::box5},
                                                            {6, &EnableBoxes::box6},
                                                            {8, &EnableBoxes::box8},
                                                            {9, &EnableBoxes::box9},
                                                            {10, &EnableBoxes::box10}}};

// The state of the box of `parameter`; null when that parameter has no box.
bool* BoxOf(int parameter, EnableBoxes& boxes);
const bool* BoxOf(int parameter, const EnableBoxes& boxes);

// The byte a value within the field's range is sent as.
constexpr std::uint8_t ByteOf(const ParameterField& field, std::int32_t value) {
    switch (field.scale) {
        case ByteScale::Tens:
            return static_cast<std::uint8_t>(value / 10);
        case ByteScale::Tenths:
            return static_cast<std::uint8_t>(value * 10);
        case ByteScale::AsIs:
            break;
    }
    return static_cast<std::uint8_t>(value);
}

// A received byte in the field's unit (hertz, seconds, ...); empty when a clear box sent it as 0.
std::optional<double> ValueOfByte(const ParameterField& field, std::uint8_t byte);

// The twelve design values, in field order.
constexpr std::array<std::int32_t, kFieldCount> DesignFields(
    const ParameterTable& table = kParameterTable) {
    std::array<std::int32_t, kFieldCount> values{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        values[i] = table[i].design;
    }
    return values;
}

// "p1" .. "p10": the parameter's name in JSON and, after "--", its command-line option.
std::string ParameterKey(int parameter);

// The parameter numbers in table order, each once.
std::vector<int> ParameterNumbers(const ParameterTable& table = kParameterTable);

// The indices of the fields of `parameter`, in table order (three for parameter 10).
std::vector<std::size_t> FieldsOf(int parameter, const ParameterTable& table = kParameterTable);

// "порог срабатывания вокса, * 10 мВ": the name and unit as messages show them.
std::string NameWithUnit(const ParameterField& field);

// Every value of the range fits the byte, and the design value lies in the range.
constexpr bool FitsItsByte(const ParameterField& f) {
    const std::int32_t top = f.scale == ByteScale::Tenths ? f.max * 10
                             : f.scale == ByteScale::Tens ? f.max / 10
                                                          : f.max;
    return f.min >= 0 && f.min <= f.design && f.design <= f.max && top <= 255 && f.step >= 1;
}

constexpr bool TableIsSound(const ParameterTable& table) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (!FitsItsByte(table[i]) || table[i].byte != static_cast<int>(i) + 2) {
            return false;
        }
    }
    return true;
}

static_assert(TableIsSound(kParameterTable), "a parameter's range does not fit its packet byte");

}  // namespace tornel
