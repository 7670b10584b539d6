#include "cli/listing_output.h"

#include <utility>

#include "packet/number_text.h"

namespace tornel::cli {

namespace {

// " 9 -  50  8  максимальное время активности, мин": byte, value, parameter and its name.
std::vector<std::string> NamedBytes(const Packet& packet, const ParameterTable& table) {
    std::vector<std::string> lines;
    for (const ParameterField& f : table) {
        lines.push_back(IntToStrW(f.byte, 2) + " - " +
                        IntToStrW(packet[static_cast<std::size_t>(f.byte)], 3) + "  " +
                        IntToStrW(f.parameter, 2) + "  " + NameWithUnit(f));
    }
    return lines;
}

}  // namespace

void PrintListings(std::ostream& out, const BuildResult& build, const ParameterTable& table) {
    const std::pair<const char*, std::vector<std::string>> sections[] = {
        {"Параметры (байт - значение):", build.parameterListing},
        {"Массив для передачи (байт, значение):", build.packetListing},
        {"Расчёт CRC (байт, CRC):", build.crcTrace},
        {"Дамп пакета (байт, hex):", PacketDump(build.packet)},
        {"Параметры по байтам (байт - значение, параметр):", NamedBytes(build.packet, table)},
    };
    out << "Состояние:" << build.status << '\n';
    for (const auto& [heading, lines] : sections) {
        out << '\n' << heading << '\n';
        for (const std::string& line : lines) {
            out << line << '\n';
        }
    }
}

nlohmann::ordered_json PacketJson(const BuildResult& build) {
    nlohmann::ordered_json j;
    j["packet"] = build.packet;
    j["crc"] = WordToHex(build.crc);
    j["status"] = build.status;
    j["listings"] = {{"parameters", build.parameterListing},
                     {"packet", build.packetListing},
                     {"crc_trace", build.crcTrace},
                     {"dump", PacketDump(build.packet)}};
    return j;
}

}  // namespace tornel::cli
