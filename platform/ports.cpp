#include "platform/ports.h"

namespace tornel::platform {
namespace {

// Port input and output need privileges no desktop program has here; the speaker path of the
// older platform family therefore stays silent, as it does on the system it comes from.
class SystemPorts : public IoPorts {
  public:
    std::uint8_t Read(std::uint16_t /*port*/) override { return 0; }
    void Write(std::uint16_t /*port*/, std::uint8_t /*value*/) override {}
};

}  // namespace

std::unique_ptr<IoPorts> MakeSystemPorts() {
    return std::make_unique<SystemPorts>();
}

}  // namespace tornel::platform
