#pragma once
// The I/O port pair of the legacy PC-speaker path: port 0x42 (timer channel 2 data), 0x43 (timer
// mode) and 0x61 (speaker control). A user program on Linux has no port access, so the real pair
// reads 0 and writes nothing; the tests record every byte instead
// (tests/support/recording_ports.h).

#include <cstdint>
#include <memory>

namespace tornel::platform {

class IoPorts {
  public:
    virtual ~IoPorts() = default;
    virtual std::uint8_t Read(std::uint16_t port) = 0;
    virtual void Write(std::uint16_t port, std::uint8_t value) = 0;
};

// The ports of this system: every read gives 0, every write is dropped.
std::unique_ptr<IoPorts> MakeSystemPorts();

struct PortAccess {
    enum class Kind { Read, Write };
    Kind kind;
    std::uint16_t port;
    std::uint8_t value;  // the byte read or written

    friend bool operator==(const PortAccess&, const PortAccess&) = default;
};

}  // namespace tornel::platform
