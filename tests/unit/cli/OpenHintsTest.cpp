#include "cli/OpenHints.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "cli/ActionGroups.h"
#include "cli/Session.h"
#include "link/PrinterLink.h"
#include "tests/fake/FakePlatform.h"

namespace tq::cli {
namespace {

const std::string kUsbNode = "/dev/usb/lp0";

// A refusal of access cannot be had for real when the tests run as root, so the fake platform
// reports it, as the POSIX platform does (its own test checks that part), and a whole run of
// tq9000ctl shows where the hint goes: right after the box it explains.
struct RefusedOpen {
    const char* what;
    std::string path;  // the name the link opens
    OpenFailureDetail detail;
    std::string expectedErr;
};

void PrintTo(const RefusedOpen& c, std::ostream* os) {
    *os << c.what;
}

class OpenHintsTest : public ::testing::TestWithParam<RefusedOpen> {};

TEST_P(OpenHintsTest, ARefusedOpenIsExplainedAfterItsBox) {
    const RefusedOpen& c = GetParam();
    FakePlatform fake;
    ScopedPlatform installed(&fake);
    if (c.path != "COM1:") {
        fake.AddUsbPrinter(c.path);
    }
    fake.openFailures[c.path] = ERROR_ACCESS_DENIED;
    fake.openFailureDetails[c.path] = c.detail;

    ActionRegistry registry;
    RegisterAllActions(registry);
    std::string error;
    const auto line = ParseCommandLine({"get", "88"}, registry, error);
    ASSERT_TRUE(line) << error;
    std::ostringstream out, err;
    PrinterLink link;
    EXPECT_EQ(RunSession(line->actions, out, err, link), 1);
    EXPECT_EQ(err.str(), c.expectedErr);
}

const std::string kFailedGet =
    "tq9000_config_app: Error opening printer\n"
    "hint: access to COM1: was refused: another program may hold it\n"
    "Caption: error opening printer\n";

INSTANTIATE_TEST_SUITE_P(
    Causes, OpenHintsTest,
    ::testing::Values(
        RefusedOpen{"SerialPortOfAGroupTheUserIsNotIn",
                    "COM1:",
                    {"/dev/ttyS0", "", "dialout"},
                    "BRENLOW: Usb offline, assuming COM1:\n"
                    "tq9000_config_app: Error opening printer\n"
                    "hint: permission denied opening COM1: (/dev/ttyS0): join the group dialout "
                    "(sudo usermod -aG dialout $USER), then log in again\n"
                    "Caption: error opening printer\n"},
        // The printer is found but not opened, so the commands go to COM1:, which this
        // machine does not have (and the fake names no device for it).
        RefusedOpen{"UsbPrinterOfAGroupTheUserIsNotIn",
                    kUsbNode,
                    {kUsbNode, "", "lp"},
                    "BRENLOW: Usb offline, assuming COM1:\n"
                    "hint: permission denied opening the USB printer /dev/usb/lp0: join the group "
                    "lp (sudo usermod -aG lp $USER), then log in again\n"
                    "tq9000_config_app: Error opening printer\n"
                    "hint: no such device: COM1: does not exist\n"
                    "Caption: error opening printer\n"},
        // Windows says "access denied" for a port that another program holds, and no more.
        RefusedOpen{"PortRefusedWithNothingMoreKnown",
                    "COM1:",
                    {},
                    "BRENLOW: Usb offline, assuming COM1:\n" + kFailedGet}),
    [](const auto& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace tq::cli
