#pragma once
// What the transmitters on a device file of their own (a serial port's line, a CM108's GPIO)
// share: the descriptor through the seam, closed when the transmitter goes, and the messages
// that name the device.

#include <cerrno>
#include <cstring>
#include <string>

#include "ptt/transmitter.h"

namespace tornel::ptt {

class DeviceTransmitter : public Transmitter {
  public:
    void Key() override { Set(true); }
    void Release() override { Set(false); }
    const std::string& Label() const override { return label_; }

  protected:
    DeviceTransmitter(const PttChoice& choice, DeviceIo& io)
        : io_(io), label_(TransmitterLabel(choice)) {}
    // Closes the device after the kind's own destructor has released its line.
    ~DeviceTransmitter() override {
        if (fd_ >= 0) {
            io_.Close(fd_);
        }
    }

    // Takes the descriptor of an open; for a failed one (-1, errno set) throws why, naming the
    // device and the group that gives access to it, with `hint` added when access was refused.
    void Opened(int fd, const std::string& device, const char* group, const char* hint = "") {
        const int error = errno;  // before anything else can change it
        if (fd < 0) {
            const bool refused = error == EACCES || error == EPERM;
            throw PttError(label_ + ": " + OpenErrorText(device, error, group) +
                           (refused ? hint : ""));
        }
        fd_ = fd;
    }
    // A call on the device failed (errno set): the label, what failed and the system's reason.
    [[noreturn]] void Fail(const std::string& what) const {
        const int error = errno;
        throw PttError(label_ + ": " + what + " (" + std::strerror(error) + ")");
    }
    // Puts the kind's line at `on`; false with errno set.
    virtual bool SetLevel(bool on) = 0;
    void Set(bool on) {
        if (!SetLevel(on)) {
            Fail(on ? "не включается" : "не выключается");
        }
    }

    DeviceIo& io_;
    int fd_ = -1;

  private:
    std::string label_;
};

}  // namespace tornel::ptt
