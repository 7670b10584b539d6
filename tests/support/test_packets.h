#pragma once
// Packets for tests that only need some fixed content.

#include <cstdint>

#include "packet/packet.h"

namespace tornel::test {

// A packet with every byte set to `b`.
inline Packet Filled(std::uint8_t b) {
    Packet p;
    p.fill(b);
    return p;
}

}  // namespace tornel::test
