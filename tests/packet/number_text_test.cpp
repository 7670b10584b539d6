#include "packet/number_text.h"

#include <gtest/gtest.h>

#include <limits>

namespace tornel {
namespace {

TEST(IntToStrW, PadsOnTheLeftAndNeverCuts) {
    EXPECT_EQ(IntToStrW(5, 3), "  5");
    EXPECT_EQ(IntToStrW(-5, 4), "  -5");
    EXPECT_EQ(IntToStrW(0, 2), " 0");
    EXPECT_EQ(IntToStrW(218, 2), "218");
    EXPECT_EQ(IntToStrW(-117, 4), "-117");
    EXPECT_EQ(IntToStrW(7, 0), "7");
    EXPECT_EQ(IntToStrW(std::numeric_limits<std::int32_t>::min(), 4), "-2147483648");
}

TEST(HexText, UpperCaseDigitsWithLeadingZeros) {
    EXPECT_EQ(HexDigit(10), 'A');
    EXPECT_EQ(HexDigit(0x1F), 'F');  // only the low four bits count
    EXPECT_EQ(HexDigit(-1), 'F');
    EXPECT_EQ(ByteToHex(10), "0A");
    EXPECT_EQ(ByteToHex(238), "EE");
    EXPECT_EQ(ByteToHex(0), "00");
    EXPECT_EQ(ByteToHex(0xB4), "B4");  // high nibble first
    EXPECT_EQ(WordToHex(0x0DDA), "0DDA");
    EXPECT_EQ(WordToHex(0xFFFF), "FFFF");
    EXPECT_EQ(WordToHex(0x12345), "2345");
    EXPECT_EQ(WordToHex(-1), "FFFF");
}

}  // namespace
}  // namespace tornel
