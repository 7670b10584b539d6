#pragma once
// The system calls the serial and CM108 keying goes through, behind one small interface, so that
// tests can record what would be set on a line: a pseudo-terminal opens like a serial port but
// carries no modem lines, and a test machine has no CM108 card.

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tornel::ptt {

class DeviceIo {
  public:
    virtual ~DeviceIo() = default;
    // Opens a serial port for its modem lines only (no controlling terminal, no blocking) and
    // makes the kernel drop DTR and RTS when the port is closed, however the program ends.
    // Returns the descriptor, or -1 with errno set.
    virtual int OpenSerial(const std::string& path);
    // Opens a hidraw device for writing reports; -1 with errno set when it cannot be opened.
    virtual int OpenHid(const std::string& path);
    // Sets (on) or clears one modem line (TIOCM_RTS, TIOCM_DTR); false with errno set.
    virtual bool SetModemLine(int fd, int line, bool on);
    // The modem lines as they stand (TIOCM_* bits); nullopt with errno set.
    virtual std::optional<int> ModemLines(int fd);
    // Writes one HID output report, report number first; false with errno set.
    virtual bool WriteReport(int fd, std::span<const std::uint8_t> report);
    virtual void Close(int fd);
};

// The real system calls. It holds no state.
DeviceIo& SystemDeviceIo();

// Why a device could not be opened, in Russian, for the errno of the failed open: a missing
// device, a busy one, or a permission that only a group gives (named, with the command that
// adds the user to it). `defaultGroup` is the group that usually owns such devices.
std::string OpenErrorText(const std::string& path, int error, const std::string& defaultGroup);

}  // namespace tornel::ptt
