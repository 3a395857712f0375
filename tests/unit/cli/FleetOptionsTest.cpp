// The options that choose a printer and trace the line, and `list`, on the fake platform: what
// they accept, what they refuse before anything is opened, and what they print.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/ActionGroups.h"
#include "cli/ConsoleText.h"
#include "cli/GlobalOptions.h"
#include "cli/LineTrace.h"
#include "cli/Session.h"
#include "link/PrinterLink.h"
#include "tests/fake/FakePlatform.h"

namespace tq::cli {
namespace {

using Args = std::vector<std::string>;

TEST(GlobalOptionsTest, FormsThatAreTakenAndThoseThatAreRefused) {
    struct Case {
        Args args;
        std::string error;  // "" when taken
        std::size_t next = 0;
    };
    const Case cases[] = {
        {{"--port", "/dev/ttyUSB0", "get", "88"}, "", 2},
        {{"--port=/dev/ttyUSB0", "--trace", "status"}, "", 2},
        {{"--usb", "A1", "--trace=t.log", "list"}, "", 3},
        {{"--no-usb", "--help"}, "", 1},
        {{"get", "--port"}, "", 0},  // options come before the actions only
        {{"--port"}, "'--port' needs DEVICE"},
        {{"--usb="}, "--usb needs SELECTOR, not an empty text"},
        {{"--trace="}, "--trace needs FILE, not an empty text"},
        {{"--no-usb=1"}, "'--no-usb' takes no value"},
        {{"--port", "a", "--port", "b"}, "--port is given twice"},
        {{"--usb", "A1", "--port", "/dev/ttyS0"},
         "--usb and --port name different printers: give one of them"},
        {{"--usb", "A1", "--no-usb"}, "--usb and --no-usb contradict each other"},
        {{"--verbose"}, "unknown option '--verbose'"},
    };
    for (const Case& c : cases) {
        GlobalOptions options;
        std::string error;
        std::size_t at = 0;
        EXPECT_EQ(ParseGlobalOptions(c.args, at, options, error), c.error.empty()) << c.args[0];
        EXPECT_EQ(error, c.error);
        if (c.error.empty()) {
            EXPECT_EQ(at, c.next) << c.args[0];
        }
    }
    GlobalOptions options;
    std::string error;
    std::size_t at = 0;
    ASSERT_TRUE(ParseGlobalOptions({"--trace", "--port=/dev/x"}, at, options, error));
    EXPECT_EQ(options.trace, "");
    EXPECT_EQ(options.port, "/dev/x");
}

// Three printers on the fake platform, two of them with the same serial number, and two ports.
class FleetRunTest : public ::testing::Test {
protected:
    void SetUp() override {
        Plug("/dev/usb/lp0", "MFG:Brenlow;MDL:TQ9000;CMD:TQ;SN:A1111;", "", "1-1:1.0");
        Plug("/dev/usb/lp1", "", "B2222", "1-2:1.0");
        Plug("/dev/usb/lp2", "MFG:Brenlow;SN:B2222", "", "1-3:1.0");
        fake.serialPorts = {{"/dev/ttyUSB0", {"/dev/serial/by-id/usb-FTDI_A9-if00-port0"}},
                            {"/dev/ttyS0", {}}};
        RegisterAllActions(registry);
    }

    void Plug(const std::string& path, const std::string& id, const std::string& serial,
              const std::string& port) {
        fake.AddUsbPrinter(path);
        fake.usbInterfaces.back().deviceId = id;
        fake.usbInterfaces.back().usbSerial = serial;
        fake.usbInterfaces.back().location = port;
    }

    int Run(const Args& args) {
        std::string error;
        const auto line = ParseCommandLine(args, registry, error);
        EXPECT_TRUE(line) << error;
        out.str("");
        err.str("");
        return line ? RunCommandLine(*line, out, err) : -1;
    }

    FakePlatform fake;
    ScopedPlatform installed{&fake};
    ActionRegistry registry;
    std::ostringstream out, err;
};

// Refused before the form starts: no device is opened and no discovery is made.
TEST_F(FleetRunTest, APrinterOrPortThatIsNotThereIsRefusedBeforeAnythingIsOpened) {
    // A path is shown escaped as a name: control characters escaped, a backslash (Windows) as it
    // is.
    const std::pair<Args, std::string> cases[] = {
        {{"--port", "/dev/ttyUSB7", "read-all"},
         "tq9000ctl: --port /dev/ttyUSB7: no such device; serial ports attached: /dev/ttyUSB0 "
         "(/dev/serial/by-id/usb-FTDI_A9-if00-port0), /dev/ttyS0\n"},
        {{"--usb", "Z9", "read-all"},
         "tq9000ctl: --usb Z9: no USB printer has this serial number or device path; USB "
         "printers attached: /dev/usb/lp0 (serial A1111, port 1-1:1.0), /dev/usb/lp1 (serial "
         "B2222, port 1-2:1.0), /dev/usb/lp2 (serial B2222, port 1-3:1.0)\n"},
        {{"--usb", "b2222", "read-all"},
         "tq9000ctl: --usb b2222 names 2 USB printers: /dev/usb/lp1 (serial B2222, port "
         "1-2:1.0), /dev/usb/lp2 (serial B2222, port 1-3:1.0); give the device path of one\n"},
        {{"--trace=" + ::testing::TempDir(), "read-all"},
         "tq9000ctl: --trace=" + EscapeNameForTerminal(::testing::TempDir()) +
             ": cannot be written: it is a folder, not a regular file\n"},
    };
    for (const auto& [args, message] : cases) {
        fake.calls.clear();
        EXPECT_EQ(Run(args), 2) << args[1];
        EXPECT_EQ(err.str(), message);
        EXPECT_EQ(fake.CountCalls("CreateFileA"), 0) << args[1];
        EXPECT_EQ(fake.CountCalls("SetupDiGetClassDevsA"), 0) << args[1];
    }
}

// The printer named by a serial number that two share, told apart by its path.
TEST_F(FleetRunTest, TheNamedPrinterIsTheOneThatHearsTheCommand) {
    FakeDevice* named = fake.Device("/dev/usb/lp2");
    EXPECT_EQ(Run({"--usb", "/dev/usb/lp2", "status"}), 1);  // nobody answers the enquiry
    ASSERT_EQ(named->writes.size(), 2u);
    EXPECT_TRUE(fake.Device("/dev/usb/lp0")->writes.empty());
    EXPECT_TRUE(fake.Device("/dev/usb/lp1")->writes.empty());
}

// A named printer that another program holds: neither another printer nor COM1: is used.
TEST_F(FleetRunTest, ANamedPrinterThatCannotBeOpenedIsExplained) {
    fake.openFailures["/dev/usb/lp0"] = ERROR_SHARING_VIOLATION;
    fake.openFailureDetails["/dev/usb/lp0"] = {"/dev/usb/lp0", "", ""};
    fake.AddDevice("COM1:", true);
    EXPECT_EQ(Run({"--usb", "A1111", "get", "88"}), 1);
    const std::string held =
        "hint: the USB printer /dev/usb/lp0 is held by another program (a print queue, perhaps): "
        "stop it while configuring\n";
    EXPECT_EQ(err.str(), "BRENLOW: Usb offline, assuming COM1:\n" + held +
                             "tq9000_config_app: Error opening printer\n" + held +
                             "Caption: error opening printer\n");
    EXPECT_EQ(fake.Device("COM1:")->openCount, 0);
}

// `list` opens nothing, and on its own does not start the form (whose discovery opens a printer).
TEST_F(FleetRunTest, ListNamesEverythingAttachedAndOpensNothing) {
    fake.usbInterfaces[1].deviceId = "MDL:TQ \"9000\"\x1B;";
    EXPECT_EQ(Run({"list"}), 0);
    EXPECT_EQ(out.str(),
              "usb /dev/usb/lp0 port=1-1:1.0 serial=\"A1111\" manufacturer=\"Brenlow\" "
              "model=\"TQ9000\" command-set=\"TQ\"\n"
              "usb /dev/usb/lp1 port=1-2:1.0 serial=\"B2222\" model=\"TQ \\\"9000\\\"\\x1B\"\n"
              "usb /dev/usb/lp2 port=1-3:1.0 serial=\"B2222\" manufacturer=\"Brenlow\"\n"
              "serial /dev/ttyUSB0 by-id=/dev/serial/by-id/usb-FTDI_A9-if00-port0\n"
              "serial /dev/ttyS0\n");
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(fake.CountCalls("CreateFileA"), 0);
    EXPECT_EQ(fake.CountCalls("SetupDiGetClassDevsA"), 0);

    EXPECT_EQ(Run({"list", "--json"}), 0);
    std::istringstream lines(out.str());
    std::string first, line;
    std::getline(lines, first);
    EXPECT_EQ(first, R"({"kind":"usb","device":"/dev/usb/lp0","port":"1-1:1.0","serial":"A1111",)"
                     R"("manufacturer":"Brenlow","model":"TQ9000","commandSet":"TQ",)"
                     R"("deviceId":"MFG:Brenlow;MDL:TQ9000;CMD:TQ;SN:A1111;"})");
    int count = 1;
    while (std::getline(lines, line)) {
        ++count;
    }
    EXPECT_EQ(count, 5);
    EXPECT_NE(out.str().find(R"({"kind":"serial","device":"/dev/ttyS0","stableNames":[]})"),
              std::string::npos);
    EXPECT_NE(out.str().find(R"("model":"TQ \"9000\"\u001b")"), std::string::npos);

    fake.listingFails = true;
    EXPECT_EQ(Run({"list"}), 1);
    EXPECT_EQ(err.str(), "tq9000ctl: the USB printers cannot be listed (error 31)\n");
}

TEST(LineTraceTest, LinesOfAnActionTimedFromItsStart) {
    FakePlatform fake;
    ScopedPlatform installed(&fake);
    fake.AddDevice("COM1:", true);
    PrinterLink link;
    ASSERT_EQ(link.OpenPrinterLink(), 0);
    auto now = std::chrono::steady_clock::time_point{};
    LineTrace trace(link, [&now] { return now; });
    std::ostringstream err;
    ASSERT_EQ(trace.Open("", err), "");
    trace.BeginAction("get 88");
    now += std::chrono::microseconds(150);
    const BYTE query[] = {0x1B, 0x3F, 0x58};
    trace.Observe(TransferEvent::Written, query, 3);
    now += std::chrono::microseconds(102250);
    const BYTE reply[] = {0x30, 0x31};
    trace.Observe(TransferEvent::Received, reply, 1);
    trace.Observe(TransferEvent::Dropped, reply + 1, 1);
    link.ClosePrinterLink();
    EXPECT_EQ(err.str(),
              "# tq9000ctl trace, format 1\n"
              "# action get 88\n"
              "# link COM1:\n"
              "      0.1 ms  send  query 88 PrinterOptions | 1B 3F 58\n"
              "    102.4 ms  recv  reply 88 PrinterOptions 0x30 | 30\n"
              "    102.4 ms  drop  surplus \"1\" | 31\n");
}

}  // namespace
}  // namespace tq::cli
