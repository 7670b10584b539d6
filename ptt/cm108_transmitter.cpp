// PTT on a GPIO pin of a CM108/CM119 USB sound card, written as HID output reports to its hidraw
// device. The report is built here, with the pin asked for: hamlib 4.5 drives only its default
// pin. The card keeps the last level written even when the program is killed.

#include <array>

#include "ptt/device_transmitter.h"

namespace tornel::ptt {

std::array<std::uint8_t, 5> Cm108Report(int pin, bool on) {
    const auto mask = static_cast<std::uint8_t>(1u << (pin - 1));
    return {0x00, 0x00, on ? mask : std::uint8_t{0}, mask, 0x00};
}

namespace {

class Cm108Transmitter final : public DeviceTransmitter {
  public:
    Cm108Transmitter(const PttChoice& choice, DeviceIo& io)
        : DeviceTransmitter(choice, io), pin_(choice.pin) {
        // Without the package's udev rule a hidraw device belongs to root alone.
        Opened(io_.OpenHid(choice.device), choice.device, "plugdev",
               "; правило udev для CM108 ставится с пакетом");
        Release();  // the pin's level is unknown until it is written; a throw closes the device
    }
    ~Cm108Transmitter() override { SetLevel(false); }

  private:
    bool SetLevel(bool on) override {
        const auto report = Cm108Report(pin_, on);
        return io_.WriteReport(fd_, report);
    }

    int pin_;
};

}  // namespace

std::unique_ptr<Transmitter> OpenCm108Transmitter(const PttChoice& choice, DeviceIo& io) {
    return std::make_unique<Cm108Transmitter>(choice, io);
}

}  // namespace tornel::ptt
