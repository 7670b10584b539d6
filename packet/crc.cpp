#include "packet/crc.h"

#include "packet/number_text.h"

namespace tornel {

namespace {

std::uint16_t FoldByte(std::uint16_t crc, std::uint8_t byte) {
    crc ^= static_cast<std::uint16_t>(byte << 8);
    for (int bit = 0; bit < 8; ++bit) {
        const bool top = (crc & 0x8000) != 0;
        crc = static_cast<std::uint16_t>(crc << 1);
        if (top) {
            crc ^= 0x1021;
        }
    }
    return crc;
}

}  // namespace

CrcResult PacketCrc16(std::span<const std::uint8_t> bytes) {
    CrcResult result;
    result.trace.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        result.crc = FoldByte(result.crc, bytes[i]);
        result.trace.push_back(IntToStrW(static_cast<std::int32_t>(i), 2) + "  " +
                               WordToHex(result.crc));
    }
    return result;
}

}  // namespace tornel
