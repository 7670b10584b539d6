#pragma once
// CRC-16 of the programming packet: polynomial 0x1021, initial value 0xFFFF, most significant
// bit first, no reflection, no final XOR (CRC-16/CCITT-FALSE).

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tornel {

struct CrcResult {
    std::uint16_t crc = 0xFFFF;
    // One line per byte, written just after the byte was folded in: the index in a field of 2,
    // two blanks, the running CRC in four hexadecimal digits.
    std::vector<std::string> trace;
};

// CRC over `bytes` (the packet passes its bytes 0..13), with its trace.
CrcResult PacketCrc16(std::span<const std::uint8_t> bytes);

}  // namespace tornel
