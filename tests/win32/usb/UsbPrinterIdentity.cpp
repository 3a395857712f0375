#include "tests/win32/usb/UsbPrinterIdentity.h"

#include <cctype>

namespace tq::test {

namespace {

// The device-interface class of USB printers, as the registry spells it.
const char* const kUsbPrintClass = "{28d78fad-5a12-11d1-ae5b-0000f803a8c2}";

std::string UpperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::string LowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string HardwareName(const UsbPrinterIdentity& id) {
    return "VID_" + UpperCase(id.vendorId) + "&PID_" + UpperCase(id.productId);
}

std::string InstanceId(const UsbPrinterIdentity& id) {
    return "USB\\" + HardwareName(id) + "\\" + UpperCase(id.serial);
}

std::string InterfaceName(const UsbPrinterIdentity& id) {
    return "USB#" + HardwareName(id) + "#" + UpperCase(id.serial) + "#" + kUsbPrintClass;
}

std::string DevicePath(const UsbPrinterIdentity& id) {
    return "\\\\?\\" + LowerCase(InterfaceName(id));
}

std::string NoticeName(const UsbPrinterIdentity& id) {
    return "\\\\?\\" + InterfaceName(id);
}

}  // namespace tq::test
