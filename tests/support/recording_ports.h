#pragma once
// The tests' port pair: it remembers every byte the legacy speaker path reads and writes.

#include <cstdint>
#include <map>
#include <vector>

#include "platform/ports.h"

namespace tornel::platform {

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
