#include "ptt/ptt_choice.h"

#include <algorithm>
#include <charconv>
#include <iterator>
#include <vector>

namespace tornel::ptt {

namespace {

constexpr std::string_view kCm108Pins = "1..8";

// Each kind by the name a choice begins with.
using KindName = std::pair<PttKind, std::string_view>;
constexpr KindName kKindNames[] = {
    {PttKind::None, "none"},       {PttKind::Vox, "vox"}, {PttKind::Cat, "cat"},
    {PttKind::Rts, "rts"},         {PttKind::Dtr, "dtr"}, {PttKind::Cm108, "cm108"},
    {PttKind::Rigctld, "rigctld"},
};

std::string_view NameOf(PttKind kind) {
    const auto* known = std::find_if(std::begin(kKindNames), std::end(kKindNames),
                                     [&](const KindName& k) { return k.first == kind; });
    return known != std::end(kKindNames) ? known->second : "none";
}

[[noreturn]] void Fail(std::string_view text, const std::string& problem) {
    throw PttChoiceError("неверное значение \"" + std::string(text) + "\": " + problem +
                         "; допустимо: " + PttChoiceForms());
}

// A whole decimal number without sign in [min, max]; nullopt-like -1 otherwise.
int WholeNumber(std::string_view text, int min, int max) {
    int value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value < min ||
        value > max) {
        return -1;
    }
    return value;
}

bool AllDigits(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Splits "DEVICE:N" into the device and the trailing number, when the text ends in one; a
// device path may hold colons itself (/dev/serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0).
std::pair<std::string_view, std::string_view> TrailingNumber(std::string_view text) {
    const std::size_t colon = text.rfind(':');
    if (colon == std::string_view::npos || !AllDigits(text.substr(colon + 1))) {
        return {text, {}};
    }
    return {text.substr(0, colon), text.substr(colon + 1)};
}

std::string SpeedsText() {
    std::string text;
    for (const int speed : kSerialSpeeds) {
        text += (text.empty() ? "" : ", ") + std::to_string(speed);
    }
    return text;
}

PttChoice ParseCat(std::string_view text, std::string_view rest) {
    const std::size_t colon = rest.find(':');
    if (colon == std::string_view::npos) {
        Fail(text, "для cat нужны модель и порт");
    }
    PttChoice choice{.kind = PttKind::Cat};
    choice.model = WholeNumber(rest.substr(0, colon), 1, 999999);
    if (choice.model < 0) {
        Fail(text, "модель hamlib должна быть целым числом (номер из rigctl --list)");
    }
    const auto [device, speed] = TrailingNumber(rest.substr(colon + 1));
    if (device.empty()) {
        Fail(text, "не задан порт");
    }
    choice.device = std::string(device);
    if (!speed.empty()) {
        choice.speed = WholeNumber(speed, 1, 10000000);
        if (std::find(std::begin(kSerialSpeeds), std::end(kSerialSpeeds), choice.speed) ==
            std::end(kSerialSpeeds)) {
            Fail(text, "скорость " + std::string(speed) + " не из ряда " + SpeedsText());
        }
    }
    return choice;
}

PttChoice ParseCm108(std::string_view text, std::string_view rest) {
    const auto [device, pin] = TrailingNumber(rest);
    if (device.empty()) {
        Fail(text, "не задано устройство hidraw");
    }
    PttChoice choice{.kind = PttKind::Cm108, .device = std::string(device)};
    if (!pin.empty()) {
        choice.pin = WholeNumber(pin, kCm108MinPin, kCm108MaxPin);
        if (choice.pin < 0) {
            Fail(text, "вывод GPIO " + std::string(pin) + " вне " + std::string(kCm108Pins));
        }
    }
    return choice;
}

PttChoice ParseRigctld(std::string_view text, std::string_view rest) {
    const std::size_t colon = rest.rfind(':');
    if (colon == std::string_view::npos || colon == 0) {
        Fail(text, "для rigctld нужны адрес и порт");
    }
    PttChoice choice{.kind = PttKind::Rigctld, .device = std::string(rest.substr(0, colon))};
    choice.port = WholeNumber(rest.substr(colon + 1), 1, 65535);
    if (choice.port < 0) {
        Fail(text, "порт должен быть целым числом от 1 до 65535");
    }
    return choice;
}

}  // namespace

std::string PttChoiceForms() {
    return kPttChoiceForms;
}

PttChoice ParsePttChoice(std::string_view text) {
    const std::size_t colon = text.find(':');
    const std::string_view name = text.substr(0, colon);
    const std::string_view rest =
        colon == std::string_view::npos ? std::string_view{} : text.substr(colon + 1);
    const auto* known = std::find_if(std::begin(kKindNames), std::end(kKindNames),
                                     [&](const KindName& k) { return k.second == name; });
    if (known == std::end(kKindNames)) {
        Fail(text,
             text.empty() ? "пустое значение" : "неизвестный способ \"" + std::string(name) + "\"");
    }
    switch (known->first) {
        case PttKind::None:
        case PttKind::Vox:
            if (colon != std::string_view::npos) {
                Fail(text, std::string(name) + " задаётся без продолжения");
            }
            return {.kind = known->first};
        case PttKind::Cat:
            return ParseCat(text, rest);
        case PttKind::Rts:
        case PttKind::Dtr:
            if (rest.empty()) {
                Fail(text, "не задан порт");
            }
            return {.kind = known->first, .device = std::string(rest)};
        case PttKind::Cm108:
            return ParseCm108(text, rest);
        case PttKind::Rigctld:
            return ParseRigctld(text, rest);
    }
    return {};
}

std::string PttChoiceText(const PttChoice& choice) {
    const std::string name(NameOf(choice.kind));
    switch (choice.kind) {
        case PttKind::None:
        case PttKind::Vox:
            return name;
        case PttKind::Cat:
            return name + ":" + std::to_string(choice.model) + ":" + choice.device +
                   (choice.speed > 0 ? ":" + std::to_string(choice.speed) : "");
        case PttKind::Rts:
        case PttKind::Dtr:
            return name + ":" + choice.device;
        case PttKind::Cm108:
            return name + ":" + choice.device + ":" + std::to_string(choice.pin);
        case PttKind::Rigctld:
            return name + ":" + choice.device + ":" + std::to_string(choice.port);
    }
    return "none";
}

std::string TransmitterLabel(const PttChoice& choice) {
    switch (choice.kind) {
        case PttKind::None:
            return "без управления передатчиком";
        case PttKind::Vox:
            return "VOX";
        case PttKind::Cat:
            return "CAT (модель hamlib " + std::to_string(choice.model) + ") на " + choice.device;
        case PttKind::Rts:
        case PttKind::Dtr:
            return (choice.kind == PttKind::Rts ? "RTS" : "DTR") + (" порта " + choice.device);
        case PttKind::Cm108:
            return "GPIO" + std::to_string(choice.pin) + " CM108 " + choice.device;
        case PttKind::Rigctld:
            return "rigctld " + choice.device + ":" + std::to_string(choice.port);
    }
    return {};
}

}  // namespace tornel::ptt
