// Opening CAT through hamlib; rigctld is keyed for real by the command-line and window tests.

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ptt/transmitter.h"

namespace tornel::ptt {
namespace {

using ::testing::HasSubstr;

TEST(HamlibTransmitter, NamesTheDeviceAndWhatIsWrong) {
    const struct {
        const char* choice;
        const char* message;
    } cases[] = {
        {"cat:999999:/dev/null", "модель hamlib 999999 не известна"},
        {"cat:1:/dev/nonexistent-port", "нет устройства /dev/nonexistent-port"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.choice);
        try {
            OpenTransmitter(ParsePttChoice(c.choice));
            ADD_FAILURE() << "opened";
        } catch (const PttError& e) {
            EXPECT_THAT(e.what(), HasSubstr(c.message));
        }
    }
}

// CAT opens with both lines of its port held low; a port that has no modem lines to hold (a
// pseudo-terminal, as virtual serial ports are) opens all the same.
TEST(HamlibTransmitter, OpensACatPortWithoutModemLines) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    grantpt(master);
    unlockpt(master);
    // hamlib's FT-736R (1010): its open asks the radio nothing, so none need answer.
    EXPECT_NO_THROW(OpenTransmitter(ParsePttChoice(std::string("cat:1010:") + ptsname(master))));
    close(master);
}

}  // namespace
}  // namespace tornel::ptt
