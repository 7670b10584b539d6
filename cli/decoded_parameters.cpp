#include "cli/decoded_parameters.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace tornel::cli {

namespace {

// Whole numbers without a fraction, tenths with one digit: 2, 2.5, 1750.
std::string NumberText(double value) {
    const long tenths = std::lround(value * 10.0);
    std::string text = std::to_string(tenths / 10);
    if (tenths % 10 != 0) {
        text += "." + std::to_string(tenths % 10);
    }
    return text;
}

nlohmann::ordered_json NumberJson(const std::optional<double>& value) {
    if (!value) {
        return nullptr;
    }
    const long tenths = std::lround(*value * 10.0);
    if (tenths % 10 == 0) {
        return tenths / 10;
    }
    return static_cast<double>(tenths) / 10.0;
}

}  // namespace

nlohmann::ordered_json DecodedParametersJson(const Packet& packet, const ParameterTable& table) {
    nlohmann::ordered_json j;
    for (const ParameterField& f : table) {
        auto& slot = j[ParameterKey(f.parameter)];
        (f.member != nullptr ? slot[f.member] : slot) =
            NumberJson(ValueOfByte(f, packet[static_cast<std::size_t>(f.byte)]));
    }
    return j;
}

std::vector<std::string> DecodedParametersText(const Packet& packet, const ParameterTable& table) {
    std::vector<std::string> lines;
    for (const ParameterField& f : table) {
        std::string number = std::to_string(f.parameter);
        number.resize(std::max<std::size_t>(number.size(), 2), ' ');
        const auto value = ValueOfByte(f, packet[static_cast<std::size_t>(f.byte)]);
        lines.push_back(number + " " + f.listing + ": " + (value ? NumberText(*value) : "выкл"));
    }
    return lines;
}

}  // namespace tornel::cli
