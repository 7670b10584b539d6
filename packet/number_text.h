#pragma once
// Fixed-width number text for the listings, the CRC trace, the packet dump and the C-array export.
// Plain ASCII, pure functions.

#include <cstdint>
#include <string>

namespace tornel {

// The value in decimal, right-aligned with blanks to `width`; a longer text is returned whole.
std::string IntToStrW(std::int32_t value, int width);

// The upper-case hexadecimal digit of the low four bits of `v`.
char HexDigit(int v);

// Exactly two upper-case hexadecimal digits, high nibble first.
std::string ByteToHex(std::uint8_t b);

// Exactly four upper-case hexadecimal digits of the low 16 bits of `w`.
std::string WordToHex(std::int64_t w);

}  // namespace tornel
