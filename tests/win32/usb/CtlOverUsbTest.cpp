// tq9000ctl.exe over USB under Wine: SetupAPI discovery, the open of the interface's path and
// overlapped I/O on it, against mock USB printers (MockUsbPrinter.h) backed by tq9000-sim, while
// COM1: leads to a simulator of its own. Which printer a run talked to is seen at the simulators.
// What the program says is what the Linux tests expect (tests/integration/cli/MessageStacks.h).
#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "tests/integration/cli/MessageStacks.h"
#include "tests/win32/form/PrinterSession.h"
#include "tests/win32/usb/CtlProcess.h"
#include "tests/win32/usb/MockUsbPrinter.h"
#include "tests/win32/usb/UsbPrinterFixture.h"

namespace tq::test {
namespace {

using Args = std::vector<std::string>;

const UsbPrinterIdentity kFirst{"1234", "5678", "SN001", "Port_#0001.Hub_#0001"};
const UsbPrinterIdentity kSecond{"1234", "5678", "SN002", "Port_#0002.Hub_#0001"};

// A printer whose features differ from the simulator's defaults in every control.
const Args kLoadedPrinter = {
    "--set", "76=12",   "--set", "85=200",   "--set", "86=3",     "--set", "87=4",
    "--set", "88=0x55", "--set", "96=0x1E",  "--set", "97=0x14",  "--set", "98=0x81",
    "--set", "99=0x0A", "--set", "100=0xA6", "--set", "101=0x02", "--set", "102=0x11",
};

std::vector<std::string> UsbLines(const std::string& listing) {
    std::vector<std::string> lines;
    std::istringstream in(listing);
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("usb ", 0) == 0)
            lines.push_back(line);
    }
    return lines;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++count;
    }
    return count;
}

class WinCtlOverUsb : public UsbPrinterFixture {
protected:
    WinCtlOverUsb() : UsbPrinterFixture({kFirst, kSecond}) {}
};

// Every command of the run goes to the USB printer; COM1: hears nothing. What Read All read is
// what the same printer on COM1: gives.
TEST_F(WinCtlOverUsb, FoundAtStartTheCommandsGoOverUsbAndCom1IsLeftAlone) {
    PrinterSession com1({});
    UsbPrinter printer(kFirst, kLoadedPrinter);
    const CtlResult r =
        RunCtl({"get", "88", "status", "read-all", "show", "set", "ClampDelay=25", "write-all"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, kUsbNotice + "Printer Status Byte: <00>\n");
    ASSERT_EQ(r.out.rfind("55\n<00>\n", 0), 0u) << r.out;
    const std::string shownOverUsb = r.out.substr(8);

    const PrinterSession::Outcome atCom1 = com1.End();
    ASSERT_TRUE(atCom1.ended) << atCom1.log;
    EXPECT_EQ(atCom1.printed, "");
    EXPECT_NE(atCom1.features.at(76), 25);
    printer.usb.Unplug();
    const PrinterSession::Outcome atUsb = printer.session.End();
    ASSERT_TRUE(atUsb.ended) << atUsb.log;
    EXPECT_EQ(atUsb.printed, "testing\n\n");
    EXPECT_EQ(atUsb.features.at(76), 25);
    EXPECT_EQ(atUsb.features.at(88), 0x55);  // written back as it was read

    PrinterSession sameOnCom1(kLoadedPrinter);
    const CtlResult overCom1 = RunCtl({"--no-usb", "read-all", "show"});
    EXPECT_EQ(overCom1.status, 0) << overCom1.err;
    EXPECT_EQ(shownOverUsb, overCom1.out);
}

TEST_F(WinCtlOverUsb, UsbChoosesAmongTwoPrintersByPathOrSerialAndListShowsBoth) {
    PrinterSession com1({});
    UsbPrinter first(kFirst, {"--status", "0x11"});
    UsbPrinter second(kSecond, {"--status", "0x22"});
    const CtlResult listed = RunCtl({"list"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(
        UsbLines(listed.out),
        (std::vector<std::string>{
            "usb " + first.usb.DevicePath() + " port=Port_#0001.Hub_#0001 serial=\"SN001\"",
            "usb " + second.usb.DevicePath() + " port=Port_#0002.Hub_#0001 serial=\"SN002\""}));

    const std::pair<std::string, std::string> cases[] = {{"SN002", "<22>\n"},
                                                         {"sn001", "<11>\n"},
                                                         {second.usb.DevicePath(), "<22>\n"},
                                                         {first.usb.DevicePath(), "<11>\n"}};
    for (const auto& [selector, shown] : cases) {
        const CtlResult r = RunCtl({"--usb", selector, "status"});
        EXPECT_EQ(r.status, 0) << selector << ": " << r.err;
        EXPECT_EQ(r.out, shown) << selector;
    }
    const CtlResult unknown = RunCtl({"--usb", "SN009", "status"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_EQ(unknown.err,
              "tq9000ctl: --usb SN009: no USB printer has this serial number or device path; USB "
              "printers attached: " +
                  first.usb.DevicePath() + " (serial SN001, port Port_#0001.Hub_#0001), " +
                  second.usb.DevicePath() + " (serial SN002, port Port_#0002.Hub_#0001)\n");

    first.usb.Unplug();
    second.usb.Unplug();
    EXPECT_EQ(first.session.End().printed, "testing\n\ntesting\n\n");
    EXPECT_EQ(second.session.End().printed, "testing\n\ntesting\n\n");
    EXPECT_EQ(com1.End().printed, "");
}

TEST_F(WinCtlOverUsb, APrinterUnpluggedBetweenRunsSendsTheNextRunToCom1) {
    PrinterSession com1({"--set", "88=0x11"});
    UsbPrinter printer(kFirst, {"--set", "88=0x22"});
    CtlResult r = RunCtl({"get", "88"});
    EXPECT_EQ(r.out, "22\n");
    EXPECT_EQ(r.err, kUsbNotice);

    printer.usb.Unplug();
    r = RunCtl({"get", "88"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "11\n");
    EXPECT_EQ(r.err, kComNotice);
    EXPECT_EQ(UsbLines(RunCtl({"list"}).out), std::vector<std::string>{});
}

// A late or silent printer is a read failure with its time-out; one that goes in the middle of
// Read All (the simulator hangs up its line after 20 bytes: five queries and their replies) ends
// it after one failure, and is gone for the next run.
TEST_F(WinCtlOverUsb, AFaultyPrinterGivesTheMessagesOfTheLinuxTests) {
    PrinterSession com1({});
    const std::pair<Args, Args> timeOuts[] = {{{"--delay-ms", "300"}, {"get", "88"}},
                                              {{"--silent"}, {"get", "88"}}};
    for (const auto& [simulator, ctl] : timeOuts) {
        UsbPrinter printer(kFirst, simulator);
        const CtlResult r = RunCtl(ctl);
        EXPECT_EQ(r.status, 1) << simulator[0];
        EXPECT_EQ(r.err, kUsbNotice + kReadTimeout + kReadFailure) << simulator[0];
    }

    UsbPrinter goingAway(kFirst, {"--hang-up-after", "20"});
    const CtlResult r = RunCtl({"read-all"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind(kUsbNotice, 0), 0u) << r.err;
    EXPECT_EQ(Count(r.err, "read error"), 1u) << r.err;
    EXPECT_TRUE(r.err.size() >= kReadAllCutShort.size() &&
                r.err.compare(r.err.size() - kReadAllCutShort.size(), kReadAllCutShort.size(),
                              kReadAllCutShort) == 0)
        << r.err;
    EXPECT_EQ(RunCtl({"get", "88"}).err, kComNotice);
}

}  // namespace
}  // namespace tq::test
