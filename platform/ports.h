#pragma once
// The I/O port pair of the legacy PC-speaker path: port 0x42 (timer channel 2 data), 0x43 (timer
// mode) and 0x61 (speaker control). A user program on Linux has no port access, so the real pair
// reads 0 and writes nothing; tests use the recording pair to see every byte.

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

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

// Remembers every access in order; a read gives the value set for that port (0 if none).
class RecordingPorts : public IoPorts {
  public:
    std::uint8_t Read(std::uint16_t port) override {
        const auto it = readValues_.find(port);
        const std::uint8_t value = it == readValues_.end() ? 0 : it->second;
        accesses_.push_back({PortAccess::Kind::Read, port, value});
        return value;
    }
    void Write(std::uint16_t port, std::uint8_t value) override {
        accesses_.push_back({PortAccess::Kind::Write, port, value});
    }

    void SetReadValue(std::uint16_t port, std::uint8_t value) { readValues_[port] = value; }
    const std::vector<PortAccess>& accesses() const { return accesses_; }
    // The bytes written to `port`, in order.
    std::vector<std::uint8_t> WritesTo(std::uint16_t port) const {
        std::vector<std::uint8_t> bytes;
        for (const PortAccess& a : accesses_) {
            if (a.kind == PortAccess::Kind::Write && a.port == port) {
                bytes.push_back(a.value);
            }
        }
        return bytes;
    }

  private:
    std::map<std::uint16_t, std::uint8_t> readValues_;
    std::vector<PortAccess> accesses_;
};

}  // namespace tornel::platform
