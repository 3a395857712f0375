// tq9000ctl with several mock USB printers attached, through the real POSIX platform: `list`
// names them (and the serial ports) as udev describes them, and --usb sends a command to the
// printer it names and to no other. The program runs as a child process, which inherits
// umockdev's preload and test bed from this one and so sees exactly what is plugged here.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "sim/PrinterModel.h"
#include "tests/integration/cli/RunProcess.h"
#include "tests/integration/usb/UsbFixture.h"

namespace tq::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kTestPrintAndEnquiry = {'t', 'e', 's', 't', 'i', 'n', 'g', '\n', '\n', 0x05};

// Three printers that give their serial numbers each in their own way, plus a USB-serial adapter
// with its stable name, a UART port, an empty UART slot and a virtual terminal.
class CtlUsbSelectionTest : public UsbFixture {
protected:
    void SetUp() override {
        UsbFixture::SetUp();
        printers.push_back(&Plug("1-2", 0, "usblp", "MFG:Brenlow;MDL:TQ9000;CMD:TQ;SN:A1111;"));
        printers.push_back(&Plug("1-3", 1, "usblp", "MFG:Brenlow;MDL:TQ9000;SERN:B2222;", "U2"));
        printers.push_back(&Plug("1-4", 10, "usblp", "", "C3333"));
        AddTty("ttyUSB0", AddParent("usb", "1-5"), nullptr);
        AddDevLink("serial/by-id/usb-FTDI_A9-if00-port0", "../../ttyUSB0");
        AddDevLink("serial/by-path/pci-1-5", "../../ttyUSB0");
        AddDevLink("modem", "ttyUSB0");
        const std::string uarts = AddParent("platform", "serial8250");
        AddTty("ttyS0", uarts, "4");
        AddTty("ttyS1", uarts, "0");
        AddTty("tty5", "", nullptr);
        // The line of a pseudo-terminal hangs up while nobody holds its node, and the printer's
        // side would see nothing of what a program writes and closes in between: hold each one.
        for (MockPrinter* printer : printers) {
            holders.push_back(::open(printer->printer.SlavePath().c_str(), O_RDWR | O_NOCTTY));
            ASSERT_GE(holders.back(), 0);
        }
    }

    void TearDown() override {
        for (int fd : holders) {
            ::close(fd);
        }
        UsbFixture::TearDown();
    }

    static ProcessResult Ctl(const std::vector<std::string>& args) {
        std::vector<std::string> argv = {TQ9000_CTL};
        argv.insert(argv.end(), args.begin(), args.end());
        return RunProcess(argv);
    }

    std::vector<MockPrinter*> printers;
    std::vector<int> holders;
};

TEST_F(CtlUsbSelectionTest, ListNamesThePrintersAndPortsAndOpensNone) {
    const ProcessResult r = Ctl({"list"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "usb /dev/usb/lp0 port=1-2:1.0 serial=\"A1111\" manufacturer=\"Brenlow\" "
              "model=\"TQ9000\" command-set=\"TQ\"\n"
              "usb /dev/usb/lp1 port=1-3:1.0 serial=\"B2222\" manufacturer=\"Brenlow\" "
              "model=\"TQ9000\"\n"
              "usb /dev/usb/lp10 port=1-4:1.0 serial=\"C3333\"\n"
              "serial /dev/ttyS0\n"
              "serial /dev/ttyUSB0 by-id=/dev/serial/by-id/usb-FTDI_A9-if00-port0 "
              "by-path=/dev/serial/by-path/pci-1-5\n");

    const ProcessResult json = Ctl({"list", "--json"});
    EXPECT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out.substr(0, json.out.find('\n')),
              R"({"kind":"usb","device":"/dev/usb/lp0","port":"1-2:1.0","serial":"A1111",)"
              R"("manufacturer":"Brenlow","model":"TQ9000","commandSet":"TQ",)"
              R"("deviceId":"MFG:Brenlow;MDL:TQ9000;CMD:TQ;SN:A1111;"})");
    for (MockPrinter* printer : printers) {
        EXPECT_EQ(printer->printer.ReadUntilQuiet(20), Bytes{});
    }
}

// Whichever way the printer is named, it alone hears the test print and answers the enquiry.
TEST_F(CtlUsbSelectionTest, TheNamedPrinterAloneHearsTheCommand) {
    const std::pair<const char*, std::size_t> cases[] = {
        {"A1111", 0}, {"b2222", 1}, {"U2", 1}, {"C3333", 2}, {"/dev/usb/lp10", 2}};
    for (const auto& [selector, named] : cases) {
        MockPrinter& printer = *printers[named];
        Bytes heard;
        std::thread answer([&printer, &heard] {
            heard = printer.printer.Read(kTestPrintAndEnquiry.size(), 5000);
            printer.printer.Write({0xA5});
        });
        const ProcessResult r = Ctl({"--usb", selector, "status"});
        answer.join();
        EXPECT_EQ(r.status, 0) << selector << ": " << r.err;
        EXPECT_EQ(r.out, "<a5>\n") << selector;
        EXPECT_EQ(heard, kTestPrintAndEnquiry) << selector;
        for (std::size_t other = 0; other < printers.size(); ++other) {
            if (other != named) {
                EXPECT_EQ(printers[other]->printer.ReadUntilQuiet(20), Bytes{}) << selector;
            }
        }
    }
}

// The inventory of `show --json` names the USB printer the fields were read from: its device path
// and the serial number its device id gives, never the settings of COM1:.
// The simulated printer behind a mock printer's node, answering until the test is done with it.
class Answering {
public:
    explicit Answering(MockPrinter& printer)
        : serve_([this, &printer] {
              while (!done_) {
                  for (const Bytes& chunk : model_.Receive(printer.printer.Read(64, 50))) {
                      printer.printer.Write(chunk);
                  }
              }
          }) {}
    ~Answering() {
        done_ = true;
        serve_.join();
    }

private:
    sim::PrinterModel model_;
    std::atomic<bool> done_ = false;
    std::thread serve_;
};

TEST_F(CtlUsbSelectionTest, TheInventoryNamesTheUsbPrinterThatWasRead) {
    ProcessResult r;
    {
        Answering answering(*printers[1]);
        r = Ctl({"--usb", "U2", "read-all", "show", "--json"});
    }
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("  \"inventory\": {\n    \"link\": \"usb\",\n    \"device\": "
                         "\"/dev/usb/lp1\",\n    \"serial\": \"B2222\",\n    \"setting\": \"\",\n"),
              std::string::npos)
        << r.out;
}

// The monitoring check names the printer it found by its serial number.
TEST_F(CtlUsbSelectionTest, TheCheckNamesTheUsbPrinterItFoundBySerialNumber) {
    ProcessResult r;
    {
        Answering answering(*printers[0]);
        r = Ctl({"check"});
    }
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find(" | ")), "TQ9000 OK - status 00 on A1111");
}

TEST_F(CtlUsbSelectionTest, AnUnknownPrinterIsRefusedAndNothingIsSent) {
    const ProcessResult r = Ctl({"--usb", "Z9999", "status"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err,
              "tq9000ctl: --usb Z9999: no USB printer has this serial number or device path; USB "
              "printers attached: /dev/usb/lp0 (serial A1111, port 1-2:1.0), /dev/usb/lp1 (serial "
              "B2222, port 1-3:1.0), /dev/usb/lp10 (serial C3333, port 1-4:1.0)\n");
    for (MockPrinter* printer : printers) {
        EXPECT_EQ(printer->printer.ReadUntilQuiet(20), Bytes{});
    }
}

}  // namespace
}  // namespace tq::test
