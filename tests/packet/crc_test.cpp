#include "packet/crc.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace tornel {
namespace {

std::vector<std::uint8_t> Bytes(std::string_view s) {
    return {s.begin(), s.end()};
}

TEST(PacketCrc16, StandardCheckValue) {
    // CRC-16/CCITT-FALSE of "123456789" is 0x29B1; a reflected, zero-initialised or
    // wrong-polynomial CRC gives something else.
    const auto data = Bytes("123456789");
    EXPECT_EQ(PacketCrc16(data).crc, 0x29B1);
}

TEST(PacketCrc16, EmptyInputKeepsInitialValueAndNoTrace) {
    const CrcResult r = PacketCrc16({});
    EXPECT_EQ(r.crc, 0xFFFF);
    EXPECT_TRUE(r.trace.empty());
}

TEST(PacketCrc16, TraceOfTheDesignPacket) {
    const std::vector<std::uint8_t> bytes{1, 2, 5, 1, 30, 1, 60, 60, 20, 0, 0, 0, 30, 40};
    const CrcResult r = PacketCrc16(bytes);
    const std::vector<std::string> expected{
        " 0  F1D1", " 1  0E7C", " 2  CD6B", " 3  73C0", " 4  7D0B", " 5  B41B", " 6  0B80",
        " 7  C6B4", " 8  5F3F", " 9  941A", "10  D93D", "11  6754", "12  BBBE", "13  0DDA"};
    EXPECT_EQ(r.trace, expected);
    EXPECT_EQ(r.crc, 0x0DDA);
}

}  // namespace
}  // namespace tornel
