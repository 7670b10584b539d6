// PTT on a GPIO pin of a CM108/CM119 USB sound card, written as HID output reports to its hidraw
// device. The report is built here, with the pin asked for: hamlib 4.5 drives only its default
// pin. The card keeps the last level written even when the program is killed.

#include <array>
#include <cerrno>
#include <cstring>

#include "ptt/transmitter.h"

namespace tornel::ptt {

std::array<std::uint8_t, 5> Cm108Report(int pin, bool on) {
    const auto mask = static_cast<std::uint8_t>(1u << (pin - 1));
    return {0x00, 0x00, on ? mask : std::uint8_t{0}, mask, 0x00};
}

namespace {

class Cm108Transmitter : public Transmitter {
  public:
    Cm108Transmitter(const PttSpec& spec, DeviceIo& io)
        : io_(io), label_(TransmitterLabel(spec)), pin_(spec.pin) {
        fd_ = io_.OpenHid(spec.device);
        if (fd_ < 0) {
            const int error = errno;
            // Without the package's udev rule a hidraw device belongs to root alone.
            throw PttError(label_ + ": " + OpenErrorText(spec.device, error, "plugdev") +
                           (error == EACCES ? "; правило udev для CM108 ставится с пакетом" : ""));
        }
        try {
            Set(false);  // the pin's level is unknown until it is written
        } catch (...) {
            io_.Close(fd_);
            throw;
        }
    }
    ~Cm108Transmitter() override {
        const auto report = Cm108Report(pin_, false);
        io_.WriteReport(fd_, report);
        io_.Close(fd_);
    }

    void Key() override { Set(true); }
    void Release() override { Set(false); }
    const std::string& Label() const override { return label_; }

  private:
    void Set(bool on) {
        const auto report = Cm108Report(pin_, on);
        if (!io_.WriteReport(fd_, report)) {
            throw PttError(label_ + ": " + (on ? "не включается" : "не выключается") + " (" +
                           std::strerror(errno) + ")");
        }
    }

    DeviceIo& io_;
    std::string label_;
    int pin_;
    int fd_ = -1;
};

}  // namespace

std::unique_ptr<Transmitter> OpenCm108Transmitter(const PttSpec& spec, DeviceIo& io) {
    return std::make_unique<Cm108Transmitter>(spec, io);
}

}  // namespace tornel::ptt
