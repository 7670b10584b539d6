// libFuzzer target: any bytes through the parameter-set reader. It either refuses them with a
// ParameterSetError or returns a set whose every field lies in its range and which holds exactly
// what the text says: each field the whole number written at its place, each box a JSON true or
// false. A lenient reader (5.5 cut to 5, 1 taken for true) would still read its own text back.
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string_view>

#include "sets/parameter_set.h"

namespace {

using Json = nlohmann::ordered_json;

bool SaysExactly(std::string_view text, const tornel::ParameterSet& set) {
    const Json root = Json::parse(text, nullptr, false);
    if (root.is_discarded()) {
        return false;
    }
    for (std::size_t i = 0; i < tornel::kParameterTable.size(); ++i) {
        const auto& f = tornel::kParameterTable[i];
        const Json* value = &root.at("parameters").at(tornel::ParameterKey(f.parameter));
        if (f.member != nullptr) {
            value = &value->at(f.member);
        }
        if (!value->is_number_integer() || value->get<std::int64_t>() != set.inputs.fields[i] ||
            set.inputs.fields[i] < f.min || set.inputs.fields[i] > f.max) {
            return false;
        }
    }
    for (const tornel::EnablingBox& box : tornel::kEnablingBoxes) {
        const Json& state = root.at("boxes").at(tornel::ParameterKey(box.parameter));
        if (!state.is_boolean() || state.get<bool>() != set.inputs.boxes.*(box.state)) {
            return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > tornel::kMaxParameterSetBytes) {
        return 0;  // refused before reading
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const tornel::ParameterSet set = tornel::ParseParameterSet(text);
        if (!SaysExactly(text, set)) {
            __builtin_trap();
        }
        const tornel::ParameterSet again = tornel::ParseParameterSet(tornel::ParameterSetText(set));
        if (!(again.inputs == set.inputs)) {
            __builtin_trap();
        }
    } catch (const tornel::ParameterSetError&) {
    }
    return 0;
}
