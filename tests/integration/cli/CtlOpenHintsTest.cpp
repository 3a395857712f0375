// tq9000ctl when COM1: cannot be opened: the boxes stay as the form shows them, and one line
// "hint: ..." after "Error opening printer" says why, for each cause that can be brought about
// here for real (a refusal of access needs a user other than root, and is covered with the fake
// platform). Natively on the POSIX platform; under Wine only where COM1: is the prefix's port.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <unistd.h>

#include <string>

#include "tests/integration/cli/RunProcess.h"
#include "tests/integration/cli/SuiteSupport.h"
#include "tests/integration/support/PtyPeer.h"

namespace tq::test {
namespace {

std::string FailedGet(const std::string& hint) {
    return kNotice + "tq9000_config_app: Error opening printer\nhint: " + hint +
           "\nCaption: error opening printer\n";
}

ProcessResult GetWithCom1(const std::string& port) {
    return RunCtlWithCom1(port, {"get", "88"});
}

// Held as serial programs hold a port: the lock binds root too.
TEST(CtlOpenHintsTest, APortHeldByAnotherProgram) {
    TQ_SKIP_UNDER_WINE("Wine does not refuse a second opener of COM1:");
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

// Wine opens a COM1: whose device is missing and fails at the first look at its settings, so the
// port's setup fails instead of its open. Windows itself refuses the open, and the hint it then
// gets is shown with the fake platform.
TEST(CtlOpenHintsTest, APortThatDoesNotExist) {
    const ProcessResult r = GetWithCom1("/dev/tq9000-no-such-port");
    EXPECT_EQ(r.status, 1);
    if (UnderWine()) {
        EXPECT_EQ(r.err, kNotice +
                             "tq9000_config_app: error getting DCB\n"
                             "Caption: error opening printer\n");
        return;
    }
    EXPECT_EQ(r.err, FailedGet("no such device: COM1: (/dev/tq9000-no-such-port, from "
                               "TQ9000_COM1) does not exist; correct TQ9000_COM1"));
}

// An empty mapping is a mistake, not a request for /dev/ttyS0: nothing else is opened.
TEST(CtlOpenHintsTest, AnEmptyMapping) {
    TQ_SKIP_UNDER_WINE("TQ9000_COM1 is the Linux program's mapping");
    const ProcessResult r = GetWithCom1("");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, FailedGet("TQ9000_COM1 is set but empty: set it to the printer's serial "
                               "device, or unset it to use the usual port"));
}

}  // namespace
}  // namespace tq::test
