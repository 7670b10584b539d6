#include "packet/packet.h"

#include <span>

#include "packet/crc.h"
#include "packet/number_text.h"

namespace tornel {

namespace {

std::string OutOfRangeText(int fieldIndex, std::int32_t value, const ParameterTable& table) {
    const ParameterField& f = table.at(static_cast<std::size_t>(fieldIndex));
    return "поле " + std::to_string(fieldIndex + 1) + " (" + NameWithUnit(f) + "): значение " +
           std::to_string(value) + " вне диапазона " + std::to_string(f.min) + ".." +
           std::to_string(f.max);
}

void CheckRanges(const PacketInputs& inputs, const ParameterTable& table) {
    for (int i = 0; i < kFieldCount; ++i) {
        const std::int32_t v = inputs.fields[static_cast<std::size_t>(i)];
        const ParameterField& f = table[static_cast<std::size_t>(i)];
        if (v < f.min || v > f.max) {
            throw FieldOutOfRange(i, v, table);
        }
    }
}

// Bytes 2..13: each field's value, zeroed by a cleared box where the table says so, then scaled.
// Parameter 7 and the pause and second PTT are sent whatever their box says.
void FillParameters(const PacketInputs& in, const ParameterTable& table, Packet& p) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        const ParameterField& f = table[i];
        const bool* box = BoxOf(f.box, in.boxes);
        const bool zeroed = f.zeroedByBox && box != nullptr && !*box;
        p[static_cast<std::size_t>(f.byte)] = zeroed ? 0 : ByteOf(f, in.fields[i]);
    }
}

std::vector<std::string> ParameterListing(const Packet& p) {
    static constexpr int kListed[] = {2, 3, 4, 5, 8, 9, 10, 11};
    std::vector<std::string> lines;
    for (int index : kListed) {
        lines.push_back(IntToStrW(index, 2) + " - " +
                        IntToStrW(p[static_cast<std::size_t>(index)], 3));
    }
    return lines;
}

std::vector<std::string> PacketListing(const Packet& p) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < p.size(); ++i) {
        lines.push_back(IntToStrW(static_cast<std::int32_t>(i), 2) + " " + IntToStrW(p[i], 4));
    }
    return lines;
}

}  // namespace

Packet InitialPacket() {
    Packet p{};
    p[14] = 238;
    p[15] = 255;
    return p;
}

FieldOutOfRange::FieldOutOfRange(int fieldIndex, std::int32_t value, const ParameterTable& table)
    : std::out_of_range(OutOfRangeText(fieldIndex, value, table)), fieldIndex_(fieldIndex) {}

BuildResult BuildPacket(const PacketInputs& inputs, const ParameterTable& table) {
    CheckRanges(inputs, table);
    BuildResult r;
    r.packet[0] = 1;
    r.packet[1] = 2;
    r.status = kStatusNoErrors;
    FillParameters(inputs, table, r.packet);
    CrcResult crc = PacketCrc16(std::span(r.packet).first(14));
    r.crc = crc.crc;
    r.packet[14] = static_cast<std::uint8_t>(crc.crc >> 8);
    r.packet[15] = static_cast<std::uint8_t>(crc.crc & 0xFF);
    r.crcTrace = std::move(crc.trace);
    r.parameterListing = ParameterListing(r.packet);
    r.packetListing = PacketListing(r.packet);
    return r;
}

std::vector<std::string> PacketDump(const Packet& packet) {
    std::vector<std::string> lines;
    for (std::size_t i = 0; i < packet.size(); ++i) {
        lines.push_back(IntToStrW(static_cast<std::int32_t>(i), 3) + "  " + ByteToHex(packet[i]));
    }
    return lines;
}

}  // namespace tornel
