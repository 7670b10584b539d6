// PTT on the RTS or DTR line of a serial port. Opening a port raises both lines (the kernel does
// that for every open), which keys an interface wired to either: both are dropped at once and
// read back before the transmitter counts as open. Closing the port, also by the kernel when the
// program is killed, drops them again.

#include <sys/ioctl.h>

#include <cerrno>
#include <cstring>

#include "ptt/transmitter.h"

namespace tornel::ptt {

namespace {

class SerialTransmitter : public Transmitter {
  public:
    SerialTransmitter(const PttSpec& spec, DeviceIo& io)
        : io_(io),
          label_(TransmitterLabel(spec)),
          line_(spec.kind == PttKind::Rts ? TIOCM_RTS : TIOCM_DTR) {
        fd_ = io_.OpenSerial(spec.device);
        if (fd_ < 0) {
            throw PttError(label_ + ": " + OpenErrorText(spec.device, errno, "dialout"));
        }
        try {
            DropBothLines();
        } catch (...) {
            io_.Close(fd_);
            throw;
        }
    }
    ~SerialTransmitter() override {
        io_.SetModemLine(fd_, line_, false);
        io_.Close(fd_);
    }

    void Key() override { Set(true); }
    void Release() override { Set(false); }
    const std::string& Label() const override { return label_; }

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

    void Set(bool on) {
        if (!io_.SetModemLine(fd_, line_, on)) {
            Fail(on ? "не включается" : "не выключается");
        }
    }

    [[noreturn]] void Fail(const std::string& what) const {
        throw PttError(label_ + ": " + what + " (" + std::strerror(errno) + ")");
    }

    DeviceIo& io_;
    std::string label_;
    int line_;
    int fd_ = -1;
};

}  // namespace

std::unique_ptr<Transmitter> OpenSerialTransmitter(const PttSpec& spec, DeviceIo& io) {
    return std::make_unique<SerialTransmitter>(spec, io);
}

}  // namespace tornel::ptt
