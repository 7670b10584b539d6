#include "packet/packet.h"

#include <span>

#include "packet/crc.h"
#include "packet/number_text.h"

namespace tornel {

namespace {

std::string OutOfRangeText(int fieldIndex, std::int32_t value) {
    const FieldRange& r = FieldRanges().at(static_cast<std::size_t>(fieldIndex));
    return std::string("поле ") + std::to_string(fieldIndex + 1) + " (" + r.name + "): значение " +
           std::to_string(value) + " вне диапазона " + std::to_string(r.min) + ".." +
           std::to_string(r.max);
}

void CheckRanges(const PacketInputs& inputs) {
    const auto& ranges = FieldRanges();
    for (int i = 0; i < kFieldCount; ++i) {
        const std::int32_t v = inputs.fields[static_cast<std::size_t>(i)];
        const FieldRange& r = ranges[static_cast<std::size_t>(i)];
        if (v < r.min || v > r.max) {
            throw FieldOutOfRange(i, v);
        }
    }
}

// Bytes 2..13 in index order: the field value, zeroed by a cleared box, then scaled.
void FillParameters(const PacketInputs& in, Packet& p) {
    const auto& f = in.fields;
    const EnableBoxes& b = in.boxes;
    auto byte = [](std::int32_t v) { return static_cast<std::uint8_t>(v); };
    p[2] = byte(f[0]);
    p[3] = byte(f[1]);
    p[4] = byte(f[2]);
    p[5] = byte(f[3]);
    p[6] = byte(b.box5 ? f[4] : 0);
    p[7] = byte(b.box6 ? f[5] : 0);
    p[8] = byte(f[6]);  // parameter 7 is sent whatever the box of parameter 6 says
    p[9] = byte(b.box8 ? f[7] : 0);
    p[10] = byte(b.box9 ? f[8] / 10 : 0);
    p[11] = byte(b.box10 ? f[9] * 10 : 0);
    p[12] = byte(f[10] * 10);  // pause and second PTT are sent whatever the box says
    p[13] = byte(f[11] * 10);
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

const std::array<FieldRange, kFieldCount>& FieldRanges() {
    static const std::array<FieldRange, kFieldCount> ranges{{
        {1, 100, 1, 5, "порог срабатывания вокса, * 10 мВ"},
        {1, 64, 1, 1, "задержка на включение передачи, * 100 мс"},
        {0, 255, 1, 30, "задержка на отключение передачи, * 100 мс"},
        {1, 64, 1, 1, "минимальная пауза между передачами, * 100 мс"},
        {5, 255, 2, 60, "максимальное время передачи, с"},
        {0, 64, 1, 60, "время для вхождения в состояние ПАУЗА, с"},
        {5, 255, 2, 20, "время выхода из состояния ПАУЗА, * 100 мс"},
        {1, 255, 2, 50, "максимальное время активности, мин"},
        {300, 1900, 50, 1750, "частота открывающего сигнала, Гц"},
        {2, 25, 2, 2, "длительность первой PTT, с"},
        {2, 25, 2, 3, "длительность паузы, с"},
        {2, 25, 2, 4, "длительность второй PTT, с"},
    }};
    return ranges;
}

FieldOutOfRange::FieldOutOfRange(int fieldIndex, std::int32_t value)
    : std::out_of_range(OutOfRangeText(fieldIndex, value)), fieldIndex_(fieldIndex) {}

BuildResult BuildPacket(const PacketInputs& inputs) {
    CheckRanges(inputs);
    BuildResult r;
    r.packet[0] = 1;
    r.packet[1] = 2;
    r.status = kStatusNoErrors;
    FillParameters(inputs, r.packet);
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
