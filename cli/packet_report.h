#pragma once
// How the command line shows a decoded packet: decode prints it, listen prints each packet heard
// the same way (the parameters themselves come from decoded_parameters.h).

#include <nlohmann/json.hpp>
#include <string>

#include "packet/packet.h"
#include "signal/stream_decoder.h"

namespace tornel::cli {

// "0DDA (верна)", or with the CRC computed over the received bytes when they differ.
std::string CrcText(const DecodeResult& r);
// The sixteen bytes in decimal, separated by spaces.
std::string BytesText(const Packet& packet);
// The packet, its CRC verdict and its parameters as decode --json prints them.
nlohmann::ordered_json PacketJson(const DecodeResult& r, const ParameterTable& table);

}  // namespace tornel::cli
