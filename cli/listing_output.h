#pragma once
// Printing the build's listings: as text under Russian headings, or as JSON members.

#include <nlohmann/json.hpp>
#include <ostream>

#include "packet/packet.h"

namespace tornel::cli {

// The four listings as the engineering view shows them, each under a heading, then the bytes of
// the parameters again with the name of each beside it.
void PrintListings(std::ostream& out, const BuildResult& build,
                   const ParameterTable& table = kParameterTable);

// {"packet": [...], "crc": "0DDA", "status": ..., "listings": {...}}
nlohmann::ordered_json PacketJson(const BuildResult& build);

}  // namespace tornel::cli
