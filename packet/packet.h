#pragma once
// The programming packet: 16 bytes, header 1 and 2, the ten parameters in bytes 2..13 and the
// CRC-16 of bytes 0..13 in bytes 14 (high) and 15 (low). The build turns the twelve parameter
// fields and the five enabling boxes into the packet and the engineer's listings.

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace tornel {

using Packet = std::array<std::uint8_t, 16>;

inline constexpr int kFieldCount = 12;

// Contents before the first build: bytes 0..13 zero, byte 14 = 238, byte 15 = 255.
Packet InitialPacket();

// The range of one parameter field as the window holds it. Parameter 10's durations stop at
// 25 s: in tenths of a second they must fit one byte.
struct FieldRange {
    std::int32_t min;
    std::int32_t max;
    std::int32_t step;
    std::int32_t initial;
    const char* name;  // Russian, for messages
};

// Ranges of SpinEdit_1 .. SpinEdit_12 (index 0 .. 11).
const std::array<FieldRange, kFieldCount>& FieldRanges();

// The enabling boxes of parameters 5, 6, 8, 9 and 10.
struct EnableBoxes {
    bool box5 = true;
    bool box6 = true;
    bool box8 = false;
    bool box9 = false;
    bool box10 = false;
};

// What the build reads from the window: the field values (SpinEdit_1 .. SpinEdit_12; parameter 9
// in Hz, parameter 10 in seconds) and the box states. Defaults are the window's design values.
struct PacketInputs {
    std::array<std::int32_t, kFieldCount> fields{5, 1, 30, 1, 60, 60, 20, 50, 1750, 2, 3, 4};
    EnableBoxes boxes;
};

// A field value outside its range. The build never wraps a value into its byte.
class FieldOutOfRange : public std::out_of_range {
  public:
    FieldOutOfRange(int fieldIndex, std::int32_t value);
    int fieldIndex() const { return fieldIndex_; }

  private:
    int fieldIndex_;
};

inline constexpr const char* kStatusNoErrors = " *** нет ошибок ***";

struct BuildResult {
    Packet packet{};
    std::string status;                         // StaticText_Error
    std::vector<std::string> parameterListing;  // Memo1: bytes 2, 3, 4, 5, 8, 9, 10, 11
    std::vector<std::string> packetListing;     // Memo_MasIsh: all 16 bytes
    std::vector<std::string> crcTrace;          // Memo2: 14 lines
    std::uint16_t crc = 0;
};

// Builds the packet and its listings. Throws FieldOutOfRange for a value outside its field's range.
BuildResult BuildPacket(const PacketInputs& inputs);

// The packet dump: for each byte, the index in a field of 3, two blanks, two hexadecimal digits.
std::vector<std::string> PacketDump(const Packet& packet);

}  // namespace tornel
