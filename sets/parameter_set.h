#pragma once
// A parameter set: the twelve field values and five box states of one repeater, with an optional
// free-text name, as a small UTF-8 JSON text:
//
//   {"format": "tornel4-parameters", "version": 1, "name": "...",
//    "parameters": {"p1": 5, ..., "p9": 1750, "p10": {"first": 2, "pause": 3, "second": 4}},
//    "boxes": {"p5": true, "p6": true, "p8": false, "p9": false, "p10": false}}
//
// The parameter names are those of the parameter table, the same as `decode --json` prints. A
// field whose box is clear keeps its value, so a set restores the window exactly. Keys the
// program does not know are ignored.

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

#include "files/size_limits.h"
#include "packet/packet.h"

namespace tornel {

inline constexpr const char* kParameterSetFormat = "tornel4-parameters";
inline constexpr int kParameterSetVersion = 1;

struct ParameterSet {
    std::string name;  // optional, free text
    PacketInputs inputs;
};

// What is wrong with a set, in Russian, naming the field where there is one.
class ParameterSetError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The text of the set, pretty-printed, ending with a newline. The values are not checked.
std::string ParameterSetText(const ParameterSet& set,
                             const ParameterTable& table = kParameterTable);

// Reads a set, all or nothing: every field present, a whole number within its range, every box
// true or false. Throws ParameterSetError.
ParameterSet ParseParameterSet(std::string_view text,
                               const ParameterTable& table = kParameterTable);

}  // namespace tornel
