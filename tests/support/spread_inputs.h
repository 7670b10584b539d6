#pragma once
// Parameter combinations spread over the table's ranges, for tests that send many different
// packets through two front ends and compare: the fields and boxes, and the same as options of
// tornel4-cli.
#include <string>
#include <vector>

#include "packet/packet.h"

namespace tornel::test {

struct SpreadInputs {
    PacketInputs inputs;
    std::vector<std::string> options;  // --p1 .. --p10, --enable/--disable
};

// Combination k: every field on its step grid at a place of its range that moves with k
// (`stride` apart from one field to the next), every box set or clear by a bit of k.
inline SpreadInputs Spread(int k, int stride = 13) {
    SpreadInputs s;
    std::string p10;
    for (std::size_t i = 0; i < kParameterTable.size(); ++i) {
        const auto& f = kParameterTable[i];
        const int steps = (f.max - f.min) / f.step + 1;
        const int value = f.min + f.step * ((k * 7 + static_cast<int>(i) * stride) % steps);
        s.inputs.fields[i] = value;
        if (f.member != nullptr) {
            p10 += (p10.empty() ? "" : ",") + std::to_string(value);
        } else {
            s.options.insert(s.options.end(),
                             {"--" + ParameterKey(f.parameter), std::to_string(value)});
        }
    }
    s.options.insert(s.options.end(), {"--p10", p10});
    for (std::size_t b = 0; b < kEnablingBoxes.size(); ++b) {
        const bool on = ((k >> b) & 1) != 0;
        s.inputs.boxes.*(kEnablingBoxes[b].state) = on;
        s.options.insert(s.options.end(), {on ? "--enable" : "--disable",
                                           std::to_string(kEnablingBoxes[b].parameter)});
    }
    return s;
}

}  // namespace tornel::test
