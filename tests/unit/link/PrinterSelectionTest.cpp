#include "link/PrinterSelection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "LinkFixture.h"
#include "link/PrinterLink.h"

namespace tq {
namespace {

TEST(DeviceIdTest, ReadsTheFourFieldsByEitherKey) {
    struct Case {
        const char* deviceId;
        DeviceIdFields fields;
    };
    const Case cases[] = {
        {"MFG:Brenlow;MDL:TQ9000;CMD:ESC/POS,TQ;SN:A1234;",
         {"Brenlow", "TQ9000", "A1234", "ESC/POS,TQ"}},
        {"MANUFACTURER:Brenlow Inc;MODEL:TQ 9000;COMMAND SET:TQ;SERN:B-77",
         {"Brenlow Inc", "TQ 9000", "B-77", "TQ"}},
        // Blanks around keys and values, keys in any case, the first of two equal keys.
        {" mfg : Brenlow ; Sn:C9;SN:D1;", {"Brenlow", "", "C9", ""}},
        // Pairs without a colon and unknown keys are passed over.
        {"CLASS:PRINTER;junk;DES:receipt printer;MDL:TQ9000", {"", "TQ9000", "", ""}},
        {"", {"", "", "", ""}},
    };
    for (const Case& c : cases) {
        const DeviceIdFields fields = ParseDeviceId(c.deviceId);
        EXPECT_EQ(fields.manufacturer, c.fields.manufacturer) << c.deviceId;
        EXPECT_EQ(fields.model, c.fields.model) << c.deviceId;
        EXPECT_EQ(fields.serialNumber, c.fields.serialNumber) << c.deviceId;
        EXPECT_EQ(fields.commandSet, c.fields.commandSet) << c.deviceId;
    }
}

// Three printers that tell their serial numbers in each of the ways a printer can.
class SelectionTest : public test::LinkTest {
protected:
    void SetUp() override {
        LinkTest::SetUp();
        Plug("/dev/usb/lp0", "MFG:Brenlow;MDL:TQ9000;SN:A1111;", "");
        Plug("/dev/usb/lp1", "MFG:Brenlow;MDL:TQ9000;SERN:B2222;", "U2222");
        Plug("/dev/usb/lp2", "MFG:Brenlow;MDL:TQ9000;", "c3333");
        fake.AddDevice("COM1:", true);
    }

    void Plug(const std::string& path, const std::string& deviceId, const std::string& serial) {
        fake.AddUsbPrinter(path);
        fake.usbInterfaces.back().deviceId = deviceId;
        fake.usbInterfaces.back().usbSerial = serial;
    }
};

TEST_F(SelectionTest, ANamedPrinterIsFoundByPathOrSerialNumberAndNoOtherIsOpened) {
    const std::pair<const char*, const char*> cases[] = {
        {"A1111", "/dev/usb/lp0"}, {"a1111", "/dev/usb/lp0"},        {"B2222", "/dev/usb/lp1"},
        {"C3333", "/dev/usb/lp2"}, {"/dev/usb/lp2", "/dev/usb/lp2"}, {"U2222", "/dev/usb/lp1"},
    };
    for (const auto& [selector, path] : cases) {
        link.SelectPrinter({PrinterChoice::NamedUsbOnly, selector});
        fake.calls.clear();
        EXPECT_EQ(link.FindUsbPrinter(), 1) << selector;
        EXPECT_STREQ(link.UsbDevicePath(), path) << selector;
        EXPECT_EQ(fake.CountCalls("CreateFileA"), 1) << selector;
        link.CloseUsbHandle();
    }
}

// The named printer gone, the command neither takes another printer nor falls back to COM1:.
TEST_F(SelectionTest, ANamedPrinterThatIsNotThereIsNotReplacedByAnyOther) {
    link.SelectPrinter({PrinterChoice::NamedUsbOnly, "Z9999"});
    EXPECT_EQ(link.FindUsbPrinter(), 0);
    EXPECT_EQ(link.OpenPrinterLink(), -1);
    EXPECT_EQ(Texts(), std::vector<std::string>{"Error opening printer"});
    EXPECT_EQ(fake.CountCalls("CreateFileA"), 0);
}

TEST_F(SelectionTest, ComOnlyLooksForNoUsbPrinter) {
    link.SelectPrinter({PrinterChoice::ComOnly, ""});
    EXPECT_EQ(link.OpenPrinterLink(), 0);
    EXPECT_TRUE(link.ComOpened());
    EXPECT_EQ(fake.CountCalls("SetupDiGetClassDevsA"), 0);
    EXPECT_EQ(fake.CountCalls("ListUsbPrinters"), 0);
    link.ClosePrinterLink();
}

// The form's rule is untouched: the first interface, without asking for the printers' identities.
TEST_F(SelectionTest, WithoutASelectionTheFirstPrinterIsTaken) {
    EXPECT_EQ(link.FindUsbPrinter(), 1);
    EXPECT_STREQ(link.UsbDevicePath(), "/dev/usb/lp0");
    EXPECT_EQ(fake.CountCalls("ListUsbPrinters"), 0);
}

}  // namespace
}  // namespace tq
