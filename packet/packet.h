#pragma once
// The programming packet: 16 bytes, header 1 and 2, the ten parameters in bytes 2..13 and the
// CRC-16 of bytes 0..13 in bytes 14 (high) and 15 (low). The build turns the twelve parameter
// fields and the five enabling boxes into the packet and the engineer's listings, as the
// parameter table says.

#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "packet/parameter_table.h"

namespace tornel {

using Packet = std::array<std::uint8_t, 16>;

// Contents before the first build: bytes 0..13 zero, byte 14 = 238, byte 15 = 255.
Packet InitialPacket();

// What the build reads from the window: the field values (SpinEdit_1 .. SpinEdit_12; parameter 9
// in Hz, parameter 10 in seconds) and the box states. Defaults are the window's design values.
struct PacketInputs {
    std::array<std::int32_t, kFieldCount> fields = DesignFields();
    BoxStates boxes;

    bool operator==(const PacketInputs&) const = default;
};

// A field value outside its range. The build never wraps a value into its byte.
class FieldOutOfRange : public std::out_of_range {
  public:
    FieldOutOfRange(int fieldIndex, std::int32_t value,
                    const ParameterTable& table = kParameterTable);
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
BuildResult BuildPacket(const PacketInputs& inputs, const ParameterTable& table = kParameterTable);

// The packet dump: for each byte, the index in a field of 3, two blanks, two hexadecimal digits.
std::vector<std::string> PacketDump(const Packet& packet);

}  // namespace tornel
