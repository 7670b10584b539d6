#include "ptt/device_io.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace tornel::ptt {

int DeviceIo::OpenSerial(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    // HUPCL: the last close drops DTR and RTS, so a killed program leaves the line released.
    termios tio{};
    if (::tcgetattr(fd, &tio) == 0 && (tio.c_cflag & HUPCL) == 0) {
        tio.c_cflag |= HUPCL;
        ::tcsetattr(fd, TCSANOW, &tio);
    }
    return fd;
}

int DeviceIo::OpenHid(const std::string& path) {
    return ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
}

bool DeviceIo::SetModemLine(int fd, int line, bool on) {
    return ::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0;
}

std::optional<int> DeviceIo::ModemLines(int fd) {
    int bits = 0;
    if (::ioctl(fd, TIOCMGET, &bits) != 0) {
        return std::nullopt;
    }
    return bits;
}

bool DeviceIo::WriteReport(int fd, std::span<const std::uint8_t> report) {
    const ssize_t written = ::write(fd, report.data(), report.size());
    if (written >= 0 && static_cast<std::size_t>(written) != report.size()) {
        errno = EIO;
    }
    return written >= 0 && static_cast<std::size_t>(written) == report.size();
}

void DeviceIo::Close(int fd) {
    ::close(fd);
}

DeviceIo& SystemDeviceIo() {
    static DeviceIo io;
    return io;
}

std::string OpenErrorText(const std::string& path, int error, const std::string& defaultGroup) {
    if (error == ENOENT || error == ENODEV || error == ENXIO) {
        return "нет устройства " + path;
    }
    if (error == EBUSY) {
        return "устройство " + path + " занято другой программой";
    }
    if (error != EACCES && error != EPERM) {
        return "не открывается " + path + ": " + std::strerror(error);
    }
    // The group that owns the device, unless that is root's: then a rule must give it to one.
    std::string groupName = defaultGroup;
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0 && info.st_gid != 0) {
        if (const struct group* entry = ::getgrgid(info.st_gid); entry != nullptr) {
            groupName = entry->gr_name;
        }
    }
    return "нет доступа к " + path + ": пользователь должен входить в группу " + groupName +
           " (sudo usermod -aG " + groupName + " $USER, затем войти в систему заново)";
}

}  // namespace tornel::ptt
