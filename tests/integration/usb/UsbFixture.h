// The fixture of the USB tests: a umockdev test bed in which the test plugs and unplugs mock USB
// printers (a usb_device, its printer-class usb_interface bound to usblp, and the usbmisc lpN
// node) whose node is a pseudo-terminal that the test plays the printer on. The whole process
// must run under umockdev's preload, or libudev would read the real /sys and the link could open
// a real printer: the fixture refuses to run otherwise.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <umockdev.h>
#include <unistd.h>

#include <cerrno>
#include <list>
#include <string>
#include <vector>

#include "framework/MessageBoxes.h"
#include "link/PrinterLink.h"
#include "tests/integration/support/PtyPeer.h"

namespace tq::test {

struct MockPrinter {
    std::string device;  // syspaths
    std::string usbInterface;
    std::string node;
    std::string devicePath;  // /dev/usb/lpN
    std::string nodeLink;    // the test bed's entry for devicePath
    PtyPeer printer;
};

class UsbFixture : public ::testing::Test {
protected:
    void SetUp() override {
        testbed_ = umockdev_testbed_new();
        ASSERT_TRUE(umockdev_in_mock_environment())
            << "run under umockdev's preload (umockdev-wrapper, or "
               "LD_PRELOAD=libumockdev-preload.so.0): without it libudev sees the real /sys";
        root_ = Take(umockdev_testbed_get_root_dir(testbed_));
        for (const char* folder : {"/dev", "/dev/usb"}) {
            const int made = ::mkdir((root_ + folder).c_str(), 0755);
            ASSERT_TRUE(made == 0 || errno == EEXIST) << root_ << folder;
        }
    }

    void TearDown() override {
        if (link.ComOpened())
            link.ClosePrinterLink();
        link.CloseUsbHandle();
        printers_.clear();
        if (testbed_ != nullptr)
            g_object_unref(testbed_);
    }

    // A printer-class interface on USB port `port` (such as "1-2") with the node
    // /dev/usb/lp<number>. Parents are added before children, so the add events come in order.
    // The printer's identity, when given, is where usblp and the USB core keep it: the IEEE 1284
    // device id on the interface, the serial-number string on the device.
    MockPrinter& Plug(const std::string& port, int number, const char* driver = "usblp",
                      const std::string& deviceId = "", const std::string& serial = "") {
        MockPrinter& mock = printers_.emplace_back();
        const std::string name = "lp" + std::to_string(number);
        mock.device = AddUsbDevice(port);
        if (!serial.empty()) {
            umockdev_testbed_set_attribute(testbed_, mock.device.c_str(), "serial", serial.c_str());
        }
        mock.usbInterface = AddInterface(mock.device, port + ":1.0", "07", driver);
        if (!deviceId.empty()) {
            umockdev_testbed_set_attribute(testbed_, mock.usbInterface.c_str(), "ieee1284_id",
                                           deviceId.c_str());
        }
        mock.devicePath = "/dev/usb/" + name;
        mock.nodeLink = root_ + mock.devicePath;
        // The node is made here rather than by umockdev, which cannot make a node of the same
        // name again after an unplug.
        EXPECT_TRUE(mock.printer.Ok() && mock.printer.MakeRaw());
        EXPECT_EQ(::symlink(mock.printer.SlavePath().c_str(), mock.nodeLink.c_str()), 0);
        mock.node = Take(umockdev_testbed_add_device(
            testbed_, "usbmisc", name.c_str(), mock.usbInterface.c_str(), nullptr, "DEVNAME",
            ("usb/" + name).c_str(), "MAJOR", "180", "MINOR", std::to_string(number).c_str(),
            nullptr));
        return mock;
    }

    // A HID interface with its hiddev node: subsystem usbmisc too, but no printer.
    void PlugHidDevice(const std::string& port) {
        const std::string device = AddUsbDevice(port);
        const std::string hid = AddInterface(device, port + ":1.0", "03", "usbhid");
        Take(umockdev_testbed_add_device(testbed_, "usbmisc", "hiddev0", hid.c_str(), nullptr,
                                         "DEVNAME", "usb/hiddev0", "MAJOR", "180", "MINOR", "96",
                                         nullptr));
    }

    // A serial port's device: an event of a subsystem that the notices leave out.
    void AddSerialDevice(const std::string& name) {
        Take(umockdev_testbed_add_device(testbed_, "tty", name.c_str(), nullptr, nullptr, "DEVNAME",
                                         name.c_str(), nullptr));
    }

    // A tty below `parent` (a syspath), with the serial core's UART `type` when given; with no
    // parent, a virtual terminal, which lives where the kernel keeps those.
    void AddTty(const std::string& name, const std::string& parent, const char* type) {
        if (parent.empty()) {
            const std::string text = "P: /devices/virtual/tty/" + name +
                                     "\nE: SUBSYSTEM=tty\nE: DEVNAME=/dev/" + name + "\n";
            ASSERT_TRUE(umockdev_testbed_add_from_string(testbed_, text.c_str(), nullptr));
            return;
        }
        const std::string path =
            Take(umockdev_testbed_add_device(testbed_, "tty", name.c_str(), parent.c_str(), nullptr,
                                             "DEVNAME", name.c_str(), nullptr));
        if (type != nullptr) {
            umockdev_testbed_set_attribute(testbed_, path.c_str(), "type", type);
        }
    }

    // A link that udev would have made under /dev, such as serial/by-id/NAME -> ../../ttyUSB0.
    void AddDevLink(const std::string& link, const std::string& target) {
        for (std::size_t slash = link.find('/'); slash != std::string::npos;
             slash = link.find('/', slash + 1)) {
            ::mkdir((root_ + "/dev/" + link.substr(0, slash)).c_str(), 0755);
        }
        ASSERT_EQ(::symlink(target.c_str(), (root_ + "/dev/" + link).c_str()), 0) << link;
    }

    // A device to hang ports on: a USB device, or a platform device such as serial8250.
    std::string AddParent(const char* subsystem, const std::string& name) {
        return Take(umockdev_testbed_add_device(testbed_, subsystem, name.c_str(), nullptr, nullptr,
                                                nullptr));
    }

    // As the kernel does it: remove events children first, the entries and the node gone, and
    // the printer's side of the line closed.
    void Unplug(MockPrinter& mock) {
        const std::string* childrenFirst[] = {&mock.node, &mock.usbInterface, &mock.device};
        for (const std::string* path : childrenFirst) {
            umockdev_testbed_uevent(testbed_, path->c_str(), "remove");
        }
        // Removing the parent alone would leave the children's bus and class entries behind.
        for (const std::string* path : childrenFirst) {
            umockdev_testbed_remove_device(testbed_, path->c_str());
        }
        ::unlink(mock.nodeLink.c_str());
        mock.printer.Close();
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const MessageBoxEvent& box : sink.boxes) texts.push_back(box.text);
        return texts;
    }

    RecordingSink sink;
    ScopedMessageSink scopedSink{&sink};
    PrinterLink link;

private:
    static std::string Take(gchar* text) {
        std::string copy = text != nullptr ? text : "";
        g_free(text);
        return copy;
    }

    std::string AddUsbDevice(const std::string& port) {
        return Take(umockdev_testbed_add_device(testbed_, "usb", port.c_str(), nullptr, "idVendor",
                                                "1d90", "idProduct", "2060", nullptr, "DEVTYPE",
                                                "usb_device", nullptr));
    }

    std::string AddInterface(const std::string& device, const std::string& name,
                             const char* interfaceClass, const char* driver) {
        std::string path = Take(umockdev_testbed_add_device(
            testbed_, "usb", name.c_str(), device.c_str(), "bInterfaceClass", interfaceClass,
            "bInterfaceSubClass", "01", "bInterfaceProtocol", "02", nullptr, "DEVTYPE",
            "usb_interface", nullptr));
        if (driver != nullptr) {
            const std::string target = std::string("../../../bus/usb/drivers/") + driver;
            umockdev_testbed_set_attribute_link(testbed_, path.c_str(), "driver", target.c_str());
        }
        return path;
    }

    UMockdevTestbed* testbed_ = nullptr;
    std::string root_;
    std::list<MockPrinter> printers_;  // a list: Plug hands out references that must stay valid
};

}  // namespace tq::test
