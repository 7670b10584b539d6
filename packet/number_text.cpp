#include "packet/number_text.h"

namespace tornel {

std::string IntToStrW(std::int32_t value, int width) {
    std::string text = std::to_string(value);
    if (static_cast<int>(text.size()) < width) {
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    }
    return text;
}

char HexDigit(int v) {
    return "0123456789ABCDEF"[v & 15];
}

std::string ByteToHex(std::uint8_t b) {
    return {HexDigit(b / 16), HexDigit(b)};
}

std::string WordToHex(std::int64_t w) {
    const auto word = static_cast<unsigned>(w & 0xFFFF);
    return {HexDigit(static_cast<int>(word >> 12)), HexDigit(static_cast<int>(word >> 8)),
            HexDigit(static_cast<int>(word >> 4)), HexDigit(static_cast<int>(word))};
}

}  // namespace tornel
