#include "packet/packet.h"

#include <gtest/gtest.h>

namespace tornel {
namespace {

// The design values with pause 3 s and second PTT 4 s; boxes 8, 9, 10 clear.
PacketInputs DesignInputs() {
    return PacketInputs{};
}

TEST(InitialPacket, ZeroBodyAndMarkerBytes) {
    const Packet p = InitialPacket();
    for (int i = 0; i < 14; ++i) {
        EXPECT_EQ(p[static_cast<std::size_t>(i)], 0) << i;
    }
    EXPECT_EQ(p[14], 238);
    EXPECT_EQ(p[15], 255);
    const auto dump = PacketDump(p);
    EXPECT_EQ(dump[14], " 14  EE");
    EXPECT_EQ(dump[15], " 15  FF");
}

TEST(BuildPacket, DesignValuesGiveTheWorkedExample) {
    const BuildResult r = BuildPacket(DesignInputs());
    const Packet expected{1, 2, 5, 1, 30, 1, 60, 60, 20, 0, 0, 0, 30, 40, 13, 218};
    EXPECT_EQ(r.packet, expected);
    EXPECT_EQ(r.crc, 0x0DDA);
    EXPECT_EQ(r.status, " *** нет ошибок ***");
    EXPECT_EQ(r.crcTrace.size(), 14u);
    EXPECT_EQ(r.crcTrace.back(), "13  0DDA");
}

TEST(BuildPacket, ListingsBlankForBlank) {
    const BuildResult r = BuildPacket(DesignInputs());
    const std::vector<std::string> parameters{" 2 -   5", " 3 -   1", " 4 -  30", " 5 -   1",
                                              " 8 -  20", " 9 -   0", "10 -   0", "11 -   0"};
    EXPECT_EQ(r.parameterListing, parameters);
    ASSERT_EQ(r.packetListing.size(), 16u);
    EXPECT_EQ(r.packetListing[0], " 0    1");
    EXPECT_EQ(r.packetListing[6], " 6   60");
    EXPECT_EQ(r.packetListing[15], "15  218");
    const std::vector<std::string> dump{
        "  0  01", "  1  02", "  2  05", "  3  01", "  4  1E", "  5  01", "  6  3C", "  7  3C",
        "  8  14", "  9  00", " 10  00", " 11  00", " 12  1E", " 13  28", " 14  0D", " 15  DA"};
    EXPECT_EQ(PacketDump(r.packet), dump);
}

TEST(BuildPacket, ClearedBoxesZeroTheirBytesOnly) {
    PacketInputs in = DesignInputs();
    in.boxes = {false, false, false, false, false};
    const Packet p = BuildPacket(in).packet;
    EXPECT_EQ(p[6], 0);   // parameter 5
    EXPECT_EQ(p[7], 0);   // parameter 6
    EXPECT_EQ(p[8], 20);  // parameter 7 is sent whatever box 6 says
    EXPECT_EQ(p[9], 0);
    EXPECT_EQ(p[10], 0);
    EXPECT_EQ(p[11], 0);   // first PTT follows box 10
    EXPECT_EQ(p[12], 30);  // pause and second PTT do not
    EXPECT_EQ(p[13], 40);
}

TEST(BuildPacket, SetBoxesCarryScaledValues) {
    PacketInputs in = DesignInputs();
    in.boxes = {true, true, true, true, true};
    in.fields = {100, 64, 255, 64, 255, 64, 255, 255, 1900, 25, 25, 25};
    const BuildResult r = BuildPacket(in);
    const Packet& p = r.packet;
    EXPECT_EQ(p[2], 100);
    EXPECT_EQ(p[6], 255);
    EXPECT_EQ(p[9], 255);
    EXPECT_EQ(p[10], 190);
    EXPECT_EQ(p[11], 250);
    EXPECT_EQ(p[12], 250);
    EXPECT_EQ(p[13], 250);
    EXPECT_EQ(r.parameterListing[7], "11 - 250");
}

TEST(BuildPacket, OpeningToneDropsTheRemainder) {
    PacketInputs in = DesignInputs();
    in.boxes.box9 = true;
    for (auto [hz, byte] : {std::pair{300, 30}, {1755, 175}, {1759, 175}, {1900, 190}}) {
        in.fields[8] = hz;
        EXPECT_EQ(BuildPacket(in).packet[10], byte) << hz;
    }
}

TEST(BuildPacket, ZeroValueWithSetBoxEqualsClearedBox) {
    PacketInputs set = DesignInputs();
    set.fields[5] = 0;
    PacketInputs cleared = DesignInputs();
    cleared.boxes.box6 = false;
    EXPECT_EQ(BuildPacket(set).packet, BuildPacket(cleared).packet);
}

TEST(BuildPacket, CrcCoversHeaderAndBodyOnly) {
    // Changing one parameter changes the CRC bytes; rebuilding gives identical output.
    PacketInputs in = DesignInputs();
    const BuildResult a = BuildPacket(in);
    in.fields[0] = 6;
    const BuildResult b = BuildPacket(in);
    EXPECT_NE(a.crc, b.crc);
    EXPECT_EQ(BuildPacket(in).crcTrace, b.crcTrace);
}

TEST(BuildPacket, RejectsValuesOutsideTheirFieldsInsteadOfWrapping) {
    // 26 s would be 260 tenths, which wraps to 4 in one byte.
    for (int field : {9, 10, 11}) {
        PacketInputs in = DesignInputs();
        in.fields[static_cast<std::size_t>(field)] = 26;
        try {
            BuildPacket(in);
            FAIL() << "field " << field << " accepted 26 s";
        } catch (const FieldOutOfRange& e) {
            EXPECT_EQ(e.fieldIndex(), field);
            EXPECT_NE(std::string(e.what()).find("2..25"), std::string::npos) << e.what();
        }
    }
    PacketInputs low = DesignInputs();
    low.fields[0] = 0;
    EXPECT_THROW(BuildPacket(low), FieldOutOfRange);
    PacketInputs tone = DesignInputs();
    tone.fields[8] = 1901;
    EXPECT_THROW(BuildPacket(tone), FieldOutOfRange);
}

// What the decoder reads back from a byte is what the build put in it, for every value of every
// field: the value itself, the tenth of a second, or the 10 Hz step below the frequency.
TEST(ParameterTable, EveryValueReadsBackFromItsByteInTheFieldsUnit) {
    for (const ParameterField& f : kParameterTable) {
        for (std::int32_t v = f.min; v <= f.max; ++v) {
            const std::optional<double> back = ValueOfByte(f, ByteOf(f, v));
            if (f.zeroedByBox && ByteOf(f, v) == 0) {
                EXPECT_FALSE(back.has_value()) << f.name << ' ' << v;  // reads as "off"
                continue;
            }
            ASSERT_TRUE(back.has_value()) << f.name << ' ' << v;
            EXPECT_DOUBLE_EQ(*back, f.scale == ByteScale::Tens ? v / 10 * 10 : v)
                << f.name << ' ' << v;
        }
    }
}

}  // namespace
}  // namespace tornel
