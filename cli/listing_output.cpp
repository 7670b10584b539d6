#include "cli/listing_output.h"

#include "packet/number_text.h"

namespace tornel::cli {

namespace {

void PrintSection(std::ostream& out, const char* heading, const std::vector<std::string>& lines) {
    out << heading << '\n';
    for (const auto& line : lines) {
        out << line << '\n';
    }
}

}  // namespace

void PrintListings(std::ostream& out, const BuildResult& build) {
    out << "Состояние:" << build.status << "\n\n";
    PrintSection(out, "Параметры (байт - значение):", build.parameterListing);
    out << '\n';
    PrintSection(out, "Массив для передачи (байт, значение):", build.packetListing);
    out << '\n';
    PrintSection(out, "Расчёт CRC (байт, CRC):", build.crcTrace);
    out << '\n';
    PrintSection(out, "Дамп пакета (байт, hex):", PacketDump(build.packet));
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
