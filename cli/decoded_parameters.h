#pragma once
// The parameters a received packet carries, in the window's units (hertz, seconds, ...), named
// as the parameter table names them. A parameter whose box was clear (its byte is 0) is "off":
// null in JSON, "выкл" in the text.

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "packet/packet.h"

namespace tornel::cli {

// {"p1": 5, ..., "p9": null, "p10": {"first": null, "pause": 3, "second": 4}}
nlohmann::ordered_json DecodedParametersJson(const Packet& packet,
                                             const ParameterTable& table = kParameterTable);

// One line per field: "1  порог VOX, шаг 10 мВ: 5", "10 первая посылка PTT, с: выкл".
std::vector<std::string> DecodedParametersText(const Packet& packet,
                                               const ParameterTable& table = kParameterTable);

}  // namespace tornel::cli
