#include "packet/parameter_table.h"

#include <algorithm>

namespace tornel {

namespace {

const EnablingBox* FindBox(int parameter) {
    const auto it =
        std::find_if(kEnablingBoxes.begin(), kEnablingBoxes.end(),
                     [&](const EnablingBox& box) { return box.parameter == parameter; });
    return it == kEnablingBoxes.end() ? nullptr : &*it;
}

}  // namespace

bool* BoxOf(int parameter, BoxStates& boxes) {
    const EnablingBox* box = FindBox(parameter);
    return box == nullptr ? nullptr : &(boxes.*(box->state));
}

const bool* BoxOf(int parameter, const BoxStates& boxes) {
    const EnablingBox* box = FindBox(parameter);
    return box == nullptr ? nullptr : &(boxes.*(box->state));
}

std::optional<double> ValueOfByte(const ParameterField& field, std::uint8_t byte) {
    if (field.zeroedByBox && byte == 0) {
        return std::nullopt;
    }
    switch (field.scale) {
        case ByteScale::Tens:
            return byte * 10.0;
        case ByteScale::Tenths:
            return byte / 10.0;
        case ByteScale::AsIs:
            break;
    }
    return byte;
}

std::string ParameterKey(int parameter) {
    return "p" + std::to_string(parameter);
}

std::vector<int> ParameterNumbers(const ParameterTable& table) {
    std::vector<int> numbers;
    for (const ParameterField& f : table) {
        if (std::find(numbers.begin(), numbers.end(), f.parameter) == numbers.end()) {
            numbers.push_back(f.parameter);
        }
    }
    return numbers;
}

std::vector<std::size_t> FieldsOf(int parameter, const ParameterTable& table) {
    std::vector<std::size_t> indices;
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (table[i].parameter == parameter) {
            indices.push_back(i);
        }
    }
    return indices;
}

std::string NameWithUnit(const ParameterField& field) {
    return std::string(field.name) + ", " + field.unit;
}

}  // namespace tornel
