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
    int parameter;                 // 1..10, as the window numbers its groups
    const char* member = nullptr;  // the durations of parameter 10: "first", "pause", "second"
    const char* name;  // as the operator reads it: "порог срабатывания вокса"
    const char* unit;  // "* 10 мВ", "* 100 мс", "с", "мин", "Гц"
    const char* listing;  // the decoder's shorter wording, unit included
    int byte;             // packet byte, 2..13
    ByteScale scale = ByteScale::AsIs;
    int box = 0;               // the parameter whose box enables the field in the window; 0: none
    bool zeroedByBox = false;  // a clear box sends 0 in the byte; otherwise it is sent regardless
    std::int32_t min;
    std::int32_t max;
    std::int32_t step;  // of the window's arrows
    std::int32_t design;
};

using ParameterTable = std::array<ParameterField, kFieldCount>;

// Parameter 10's durations stop at 25 s: in tenths of a second they must fit one byte.
// clang-format off
inline constexpr ParameterTable kParameterTable{{
    {.parameter = 1, .name = "порог срабатывания вокса", .unit = "* 10 мВ",
     .listing = "порог VOX, шаг 10 мВ", .byte = 2,
     .min = 1, .max = 100, .step = 1, .design = 5},
    {.parameter = 2, .name = "задержка на включение передачи", .unit = "* 100 мс",
     .listing = "задержка включения передатчика, 100 мс", .byte = 3,
     .min = 1, .max = 64, .step = 1, .design = 1},
    {.parameter = 3, .name = "задержка на отключение передачи", .unit = "* 100 мс",
     .listing = "задержка выключения передатчика, 100 мс", .byte = 4,
     .min = 0, .max = 255, .step = 1, .design = 30},
    {.parameter = 4, .name = "минимальная пауза между передачами", .unit = "* 100 мс",
     .listing = "минимальная пауза между передачами, 100 мс", .byte = 5,
     .min = 1, .max = 64, .step = 1, .design = 1},
    {.parameter = 5, .name = "максимальное время передачи", .unit = "с",
     .listing = "максимальное время передачи, с", .byte = 6,
     .box = 5, .zeroedByBox = true, .min = 5, .max = 255, .step = 2, .design = 60},
    {.parameter = 6, .name = "время для вхождения в состояние ПАУЗА", .unit = "с",
     .listing = "время до входа в ПАУЗУ, с", .byte = 7,
     .box = 6, .zeroedByBox = true, .min = 0, .max = 64, .step = 1, .design = 60},
    {.parameter = 7, .name = "время выхода из состояния ПАУЗА", .unit = "* 100 мс",
     .listing = "время до выхода из ПАУЗЫ, 100 мс", .byte = 8,
     .box = 6, .min = 5, .max = 255, .step = 2, .design = 20},
    {.parameter = 8, .name = "максимальное время активности", .unit = "мин",
     .listing = "максимальное время активности, мин", .byte = 9,
     .box = 8, .zeroedByBox = true, .min = 1, .max = 255, .step = 2, .design = 50},
    {.parameter = 9, .name = "частота открывающего сигнала", .unit = "Гц",
     .listing = "частота тона открытия, Гц", .byte = 10, .scale = ByteScale::Tens,
     .box = 9, .zeroedByBox = true, .min = 300, .max = 1900, .step = 50, .design = 1750},
    {.parameter = 10, .member = "first", .name = "длительность первой PTT", .unit = "с",
     .listing = "первая посылка PTT, с", .byte = 11, .scale = ByteScale::Tenths,
     .box = 10, .zeroedByBox = true, .min = 2, .max = 25, .step = 2, .design = 2},
    {.parameter = 10, .member = "pause", .name = "длительность паузы", .unit = "с",
     .listing = "пауза между посылками, с", .byte = 12, .scale = ByteScale::Tenths,
     .box = 10, .min = 2, .max = 25, .step = 2, .design = 3},
    {.parameter = 10, .member = "second", .name = "длительность второй PTT", .unit = "с",
     .listing = "вторая посылка PTT, с", .byte = 13, .scale = ByteScale::Tenths,
     .box = 10, .min = 2, .max = 25, .step = 2, .design = 4},
}};
// clang-format on

// The states of the enabling boxes of parameters 5, 6, 8, 9 and 10, the design states at start.
struct BoxStates {
    bool box5 = true;
    bool box6 = true;
    bool box8 = false;
    bool box9 = false;
    bool box10 = false;

    bool operator==(const BoxStates&) const = default;
};

// One enabling box: the parameter it belongs to and where its state is kept.
struct EnablingBox {
    int parameter;
    bool BoxStates::*state;
};

inline constexpr std::array<EnablingBox, 5> kEnablingBoxes{{{5, &BoxStates::box5},
                                                            {6, &BoxStates::box6},
                                                            {8, &BoxStates::box8},
                                                            {9, &BoxStates::box9},
                                                            {10, &BoxStates::box10}}};

// The state of the box of `parameter`; null when that parameter has no box.
bool* BoxOf(int parameter, BoxStates& boxes);
const bool* BoxOf(int parameter, const BoxStates& boxes);

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

constexpr bool TableIsWellFormed(const ParameterTable& table) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (!FitsItsByte(table[i]) || table[i].byte != static_cast<int>(i) + 2) {
            return false;
        }
    }
    return true;
}

static_assert(TableIsWellFormed(kParameterTable),
              "a parameter's range does not fit its packet byte");

}  // namespace tornel
