#pragma once
// A transmitter whose PTT the program keys: the interface every kind of keying implements, and
// the one place that opens the kind a choice names.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "ptt/device_io.h"
#include "ptt/ptt_choice.h"

namespace tornel::ptt {

// A transmitter that could not be opened, keyed or released. The text is Russian and names the
// device ("rigctld 127.0.0.1:4532: нет связи").
class PttError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

class Transmitter {
  public:
    virtual ~Transmitter() = default;
    // PTT pressed and released. Each returns once the device has taken the command; throws
    // PttError. Neither is called from two threads at once (KeyedSession sees to that).
    virtual void Key() = 0;
    virtual void Release() = 0;
    // How messages name it (TransmitterLabel of its choice).
    virtual const std::string& Label() const = 0;
};

// Opens the transmitter of `choice`, released: nullptr for none and vox, which key nothing.
// Throws PttError when the device cannot be opened or its line cannot be set released. The
// serial and CM108 kinds go through `io`, which must outlive the transmitter.
std::unique_ptr<Transmitter> OpenTransmitter(const PttChoice& choice,
                                             DeviceIo& io = SystemDeviceIo());

// How the window opens a transmitter: OpenTransmitter, or a fake in tests.
using TransmitterOpener = std::function<std::unique_ptr<Transmitter>(const PttChoice&)>;

// The GPIO write of a CM108/CM119: report number 0, then a byte 0, the output levels (bit n-1
// for GPIOn), the data direction (1: output) and a byte 0.
std::array<std::uint8_t, 5> Cm108Report(int pin, bool on);

// The kinds, each in its own file.
std::unique_ptr<Transmitter> OpenSerialTransmitter(const PttChoice& choice, DeviceIo& io);
std::unique_ptr<Transmitter> OpenCm108Transmitter(const PttChoice& choice, DeviceIo& io);
std::unique_ptr<Transmitter> OpenHamlibTransmitter(const PttChoice& choice);

}  // namespace tornel::ptt
