// Test support: who a mock USB printer is (UsbPrinterHost.h, MockUsbPrinter.h), and the names the
// system gives it: its device instance, its interface of the USB printer class, the path that
// discovery reports and the name that a device-change notice carries.
#pragma once

#include <string>

namespace tq::test {

struct UsbPrinterIdentity {
    std::string vendorId = "1234";  // four hexadecimal digits, as in VID_1234
    std::string productId = "5678";
    std::string serial = "SN001";
    std::string location = "Port_#0001.Hub_#0001";
};

// The device-interface class of USB printers, as the registry spells it:
// "{28d78fad-5a12-11d1-ae5b-0000f803a8c2}"
std::string UsbPrintClassName();
// "VID_1234&PID_5678"
std::string HardwareName(const UsbPrinterIdentity& id);
// "USB\VID_1234&PID_5678\SN001"
std::string InstanceId(const UsbPrinterIdentity& id);
// "USB#VID_1234&PID_5678#SN001#{28d78fad-5a12-11d1-ae5b-0000f803a8c2}"
std::string InterfaceName(const UsbPrinterIdentity& id);
// As SetupAPI reports it: "\\?\usb#vid_1234&pid_5678#sn001#{28d78fad-...}"
std::string DevicePath(const UsbPrinterIdentity& id);
// As a notice carries it: "\\?\USB#VID_1234&PID_5678#SN001#{28d78fad-...}"
std::string NoticeName(const UsbPrinterIdentity& id);

std::string LowerCase(std::string text);

}  // namespace tq::test
