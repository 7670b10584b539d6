// RTS/DTR on a serial port and the CM108 GPIO, through the recording seam: a pseudo-terminal
// stands for the port, a plain file for the hidraw device.

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "ptt/transmitter.h"
#include "tests/ptt/recording_device_io.h"
#include "tests/support/temp_dir.h"

namespace tornel::ptt {
namespace {

using test::RecordingDeviceIo;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using Change = RecordingDeviceIo::LineChange;

// The controlling side of a pseudo-terminal; its other side opens like a serial port.
class PseudoTerminal {
  public:
    PseudoTerminal() : master_(posix_openpt(O_RDWR | O_NOCTTY)) {
        grantpt(master_);
        unlockpt(master_);
        name_ = ptsname(master_);
    }
    ~PseudoTerminal() { close(master_); }
    int master() const { return master_; }
    const std::string& name() const { return name_; }

  private:
    int master_;
    std::string name_;
};

TEST(SerialTransmitter, DropsBothLinesOnOpeningThenKeysOnlyItsOwn) {
    for (const PttKind kind : {PttKind::Rts, PttKind::Dtr}) {
        const int line = kind == PttKind::Rts ? TIOCM_RTS : TIOCM_DTR;
        PseudoTerminal port;
        RecordingDeviceIo io;
        {
            auto tx = OpenTransmitter({.kind = kind, .device = port.name()}, io);
            EXPECT_THAT(io.changes,
                        ElementsAre(Change{TIOCM_RTS, false}, Change{TIOCM_DTR, false}));
            EXPECT_EQ(io.lines, 0);
            tx->Key();
            EXPECT_EQ(io.lines, line);
            tx->Release();
            EXPECT_EQ(io.lines, 0);
            tx->Key();
        }
        // Closed while keyed: released first.
        EXPECT_EQ(io.changes.back(), (Change{line, false}));
        EXPECT_EQ(io.closes, 1);
    }
}

TEST(SerialTransmitter, RefusesAPortWhoseLinesStayRaised) {
    PseudoTerminal port;
    struct StuckLines : RecordingDeviceIo {
        std::optional<int> ModemLines(int) override { return TIOCM_RTS; }
    } io;
    try {
        OpenTransmitter({.kind = PttKind::Rts, .device = port.name()}, io);
        FAIL() << "opened";
    } catch (const PttError& e) {
        EXPECT_THAT(e.what(),
                    HasSubstr("RTS порта " + port.name() + ": линии RTS и DTR не сбрасываются"));
    }
    EXPECT_EQ(io.closes, 1);
}

TEST(SerialTransmitter, AKilledProgramLeavesThePortToTheKernelWhichDropsTheLines) {
    PseudoTerminal port;
    const pid_t child = fork();
    if (child == 0) {
        RecordingDeviceIo io;
        auto tx = OpenTransmitter({.kind = PttKind::Rts, .device = port.name()}, io);
        tx->Key();
        raise(SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    // The port was opened with "drop the lines on the last close" ...
    termios tio{};
    ASSERT_EQ(tcgetattr(port.master(), &tio), 0);
    EXPECT_NE(tio.c_cflag & HUPCL, 0u);
    // ... and that close happened when the kernel reaped the process.
    pollfd hangup{.fd = port.master(), .events = POLLIN, .revents = 0};
    ASSERT_EQ(poll(&hangup, 1, 1000), 1);
    EXPECT_NE(hangup.revents & POLLHUP, 0);
}

TEST(Cm108Transmitter, WritesTheChosenPinReleasedOnOpeningThenKeyed) {
    test::TempDir dir;
    const std::string hidraw = (dir.path() / "hidraw0").string();
    for (const int pin : {kCm108MinPin, kCm108DefaultPin, kCm108MaxPin}) {
        SCOPED_TRACE(pin);
        std::ofstream(hidraw).put('\0');
        RecordingDeviceIo io;
        {
            auto tx = OpenTransmitter({.kind = PttKind::Cm108, .device = hidraw, .pin = pin}, io);
            tx->Key();
            tx->Release();
        }
        const auto mask = static_cast<std::uint8_t>(1u << (pin - 1));
        using Report = std::vector<std::uint8_t>;
        EXPECT_THAT(io.reports, ElementsAre(Report{0, 0, 0, mask, 0}, Report{0, 0, mask, mask, 0},
                                            Report{0, 0, 0, mask, 0}, Report{0, 0, 0, mask, 0}));
    }
}

// A failed open names the device and what is wrong; a refused one also the group to join and,
// for a CM108, the udev rule, whether the kernel said EACCES or EPERM.
TEST(LineTransmitters, AFailedOpenSaysWhatIsWrongAndHowToGetAccess) {
    struct Refusing : RecordingDeviceIo {
        int error = 0;
        int OpenSerial(const std::string&) override { return Refuse(); }
        int OpenHid(const std::string&) override { return Refuse(); }
        int Refuse() const {
            errno = error;
            return -1;
        }
    };
    const struct {
        const char* choice;
        int error;
        const char* says;
        bool udevHint;
    } cases[] = {
        {"dtr:/dev/ttyUSB9", ENOENT, "DTR порта /dev/ttyUSB9: нет устройства /dev/ttyUSB9", false},
        {"rts:/dev/ttyUSB0", EACCES, "sudo usermod -aG dialout", false},
        {"cm108:/dev/hidraw0", EACCES, "sudo usermod -aG plugdev", true},
        {"cm108:/dev/hidraw0", EPERM, "sudo usermod -aG plugdev", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.choice) + " " + std::to_string(c.error));
        Refusing io;
        io.error = c.error;
        try {
            OpenTransmitter(ParsePttChoice(c.choice), io);
            ADD_FAILURE() << "opened";
        } catch (const PttError& e) {
            EXPECT_THAT(e.what(), HasSubstr(c.says));
            EXPECT_EQ(std::string(e.what()).find("правило udev") != std::string::npos, c.udevHint);
        }
        EXPECT_EQ(io.closes, 0);
    }
}

// The group to join is the device's own when it has one, else the usual one of its kind.
TEST(LineTransmitters, NameTheGroupThatOwnsTheDevice) {
    test::TempDir dir;
    const std::string device = (dir.path() / "ttyUSB0").string();
    std::ofstream(device).put('\0');
    EXPECT_THAT(OpenErrorText(device, EACCES, "dialout"),
                HasSubstr("должен входить в группу dialout (sudo usermod -aG dialout $USER"));
    const group* plugdev = getgrnam("plugdev");
    if (plugdev != nullptr && chown(device.c_str(), getuid(), plugdev->gr_gid) == 0) {
        EXPECT_THAT(OpenErrorText(device, EACCES, "dialout"),
                    HasSubstr("sudo usermod -aG plugdev $USER"));
    }
}

}  // namespace
}  // namespace tornel::ptt
