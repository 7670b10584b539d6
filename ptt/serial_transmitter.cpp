// PTT on the RTS or DTR line of a serial port. Opening a port raises both lines (the kernel does
// that for every open), which keys an interface wired to either: both are dropped at once and
// read back before the transmitter counts as open. Closing the port, also by the kernel when the
// program is killed, drops them again.

#include <sys/ioctl.h>

#include "ptt/device_transmitter.h"

namespace tornel::ptt {

namespace {

class SerialTransmitter final : public DeviceTransmitter {
  public:
    SerialTransmitter(const PttChoice& choice, DeviceIo& io)
        : DeviceTransmitter(choice, io),
          line_(choice.kind == PttKind::Rts ? TIOCM_RTS : TIOCM_DTR) {
        Opened(io_.OpenSerial(choice.device), choice.device, "dialout");
        DropBothLines();  // a throw closes the port (the base is already made)
    }
    ~SerialTransmitter() override { SetLevel(false); }

  private:
    void DropBothLines() {
        for (const int line : {TIOCM_RTS, TIOCM_DTR}) {
            if (!io_.SetModemLine(fd_, line, false)) {
                Fail("линии порта не управляются");
            }
        }
        const std::optional<int> lines = io_.ModemLines(fd_);
        if (!lines) {
            Fail("состояние линий порта не читается");
        }
        if ((*lines & (TIOCM_RTS | TIOCM_DTR)) != 0) {
            Fail("линии RTS и DTR не сбрасываются");
        }
    }

    bool SetLevel(bool on) override { return io_.SetModemLine(fd_, line_, on); }

    int line_;
};

}  // namespace

std::unique_ptr<Transmitter> OpenSerialTransmitter(const PttChoice& choice, DeviceIo& io) {
    return std::make_unique<SerialTransmitter>(choice, io);
}

}  // namespace tornel::ptt
