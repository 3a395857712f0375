// tq9000ctl on the real POSIX platform when COM1: cannot be opened: the boxes stay as the form
// shows them, and one line "hint: ..." after "Error opening printer" says why, for each cause that
// can be brought about here for real (a refusal of access needs a user other than root, and is
// covered with the fake platform).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "tests/integration/cli/RunProcess.h"
#include "tests/integration/support/PtyPeer.h"

namespace tq::test {
namespace {

const std::string kNotice = "BRENLOW: Usb offline, assuming COM1:\n";

std::string FailedGet(const std::string& hint) {
    return kNotice + "tq9000_config_app: Error opening printer\nhint: " + hint +
           "\nCaption: error opening printer\n";
}

// Runs `tq9000ctl get 88` with TQ9000_COM1 set to `port`.
ProcessResult GetWithCom1(const std::string& port) {
    ::setenv("TQ9000_COM1", port.c_str(), 1);
    ProcessResult result = RunProcess({TQ9000_CTL, "get", "88"});
    ::unsetenv("TQ9000_COM1");
    return result;
}

// Held as serial programs hold a port: the lock binds root too.
TEST(CtlOpenHintsTest, APortHeldByAnotherProgram) {
    PtyPeer printer;
    ASSERT_TRUE(printer.Ok());
    const int holder = ::open(printer.SlavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(::flock(holder, LOCK_EX | LOCK_NB), 0);
    const ProcessResult r = GetWithCom1(printer.SlavePath());
    ::close(holder);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, FailedGet("COM1: (" + printer.SlavePath() +
                               ", from TQ9000_COM1) is held by another program: close it and "
                               "try again"));
}

TEST(CtlOpenHintsTest, APortThatDoesNotExist) {
    const ProcessResult r = GetWithCom1("/dev/tq9000-no-such-port");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, FailedGet("no such device: COM1: (/dev/tq9000-no-such-port, from "
                               "TQ9000_COM1) does not exist; correct TQ9000_COM1"));
}

// An empty mapping is a mistake, not a request for /dev/ttyS0: nothing else is opened.
TEST(CtlOpenHintsTest, AnEmptyMapping) {
    const ProcessResult r = GetWithCom1("");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, FailedGet("TQ9000_COM1 is set but empty: set it to the printer's serial "
                               "device, or unset it to use the usual port"));
}

}  // namespace
}  // namespace tq::test
