// libFuzzer target: any bytes through the parameter-set reader. It either refuses them with a
// ParameterSetError or returns a set whose every field lies in its range and which reads back
// unchanged from its own text.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "sets/parameter_set.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > tornel::kMaxParameterSetBytes) {
        return 0;  // refused before reading
    }
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const tornel::ParameterSet set = tornel::ParseParameterSet(text);
        for (std::size_t i = 0; i < set.inputs.fields.size(); ++i) {
            const auto& f = tornel::kParameterTable[i];
            if (set.inputs.fields[i] < f.min || set.inputs.fields[i] > f.max) {
                __builtin_trap();
            }
        }
        const tornel::ParameterSet again = tornel::ParseParameterSet(tornel::ParameterSetText(set));
        if (!(again.inputs == set.inputs)) {
            __builtin_trap();
        }
    } catch (const tornel::ParameterSetError&) {
    }
    return 0;
}
