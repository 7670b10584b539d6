// CAT and rigctld keying through hamlib, against a real rigctld with hamlib's dummy rig.

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "ptt/keyed_session.h"
#include "ptt/transmitter.h"
#include "tests/support/rigctld_server.h"

namespace tornel::ptt {
namespace {

using ::testing::HasSubstr;
using namespace std::chrono_literals;

TEST(RigctldTransmitter, KeysAndReleasesTheRig) {
    if (!test::RigctldServer::Available()) {
        GTEST_SKIP() << "rigctld is not installed";
    }
    test::RigctldServer rig;
    const PttSpec spec = ParsePttSpec(rig.Spec());
    {
        auto tx = OpenTransmitter(spec);
        ASSERT_NE(tx, nullptr);
        EXPECT_FALSE(rig.Keyed());
        KeyedSession session(*tx, 10s);
        session.Key();
        EXPECT_TRUE(rig.WaitFor(true, 5s));
        session.Release();
        EXPECT_TRUE(rig.WaitFor(false, 5s));
        session.Key();
        EXPECT_TRUE(rig.WaitFor(true, 5s));
    }
    // The session's end released it.
    EXPECT_TRUE(rig.WaitFor(false, 5s));
}

TEST(HamlibTransmitter, NamesTheDeviceAndWhatIsWrong) {
    const struct {
        const char* spec;
        const char* message;
    } cases[] = {
        // Port 1 on localhost: nobody listens there.
        {"rigctld:127.0.0.1:1", "rigctld 127.0.0.1:1: нет связи"},
        {"cat:999999:/dev/null", "модель hamlib 999999 не известна"},
        {"cat:1:/dev/nonexistent-port", "нет устройства /dev/nonexistent-port"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.spec);
        try {
            OpenTransmitter(ParsePttSpec(c.spec));
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
    EXPECT_NO_THROW(OpenTransmitter(ParsePttSpec(std::string("cat:1010:") + ptsname(master))));
    close(master);
}

}  // namespace
}  // namespace tornel::ptt
