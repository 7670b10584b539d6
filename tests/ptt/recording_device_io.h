#pragma once
// The seam of the serial and CM108 keying: devices are opened for real (a pseudo-terminal stands
// for a serial port, a plain file for a hidraw device), but what would be set on a modem line
// and every HID report is recorded instead of reaching the device.

#include <sys/ioctl.h>

#include <cstdint>
#include <string>
#include <vector>

#include "ptt/device_io.h"

namespace tornel::test {

class RecordingDeviceIo : public ptt::DeviceIo {
  public:
    struct LineChange {
        int line;  // TIOCM_RTS or TIOCM_DTR
        bool on;
        friend bool operator==(const LineChange&, const LineChange&) = default;
    };

    // Opening raises both lines, as the kernel does for a real port.
    int OpenSerial(const std::string& path) override {
        const int fd = DeviceIo::OpenSerial(path);
        lines = TIOCM_RTS | TIOCM_DTR;
        return fd;
    }
    bool SetModemLine(int /*fd*/, int line, bool on) override {
        changes.push_back({line, on});
        lines = on ? (lines | line) : (lines & ~line);
        return true;
    }
    std::optional<int> ModemLines(int /*fd*/) override { return lines; }
    bool WriteReport(int /*fd*/, std::span<const std::uint8_t> report) override {
        reports.emplace_back(report.begin(), report.end());
        return true;
    }
    void Close(int fd) override {
        ++closes;
        DeviceIo::Close(fd);
    }

    int lines = 0;
    std::vector<LineChange> changes;
    std::vector<std::vector<std::uint8_t>> reports;
    int closes = 0;
};

}  // namespace tornel::test
