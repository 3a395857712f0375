#include "tests/win32/usb/UsbPrinterIdentity.h"

#include <cctype>
#include <cstdio>

#include "platform/Win32Types.h"

namespace tq::test {

namespace {

std::string UpperCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::string LowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string UsbPrintClassName() {
    const GUID& guid = GUID_DEVINTERFACE_USBPRINT;
    char text[40];
    std::snprintf(text, sizeof text, "{%08lx-%04x-%04x-%02x%02x-%02x%02x%02x%02x%02x%02x}",
                  static_cast<unsigned long>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0],
                  guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
                  guid.Data4[6], guid.Data4[7]);
    return text;
}

std::string HardwareName(const UsbPrinterIdentity& id) {
    return "VID_" + UpperCase(id.vendorId) + "&PID_" + UpperCase(id.productId);
}

std::string InstanceId(const UsbPrinterIdentity& id) {
    return "USB\\" + HardwareName(id) + "\\" + UpperCase(id.serial);
}

std::string InterfaceName(const UsbPrinterIdentity& id) {
    return "USB#" + HardwareName(id) + "#" + UpperCase(id.serial) + "#" + UsbPrintClassName();
}

std::string DevicePath(const UsbPrinterIdentity& id) {
    return "\\\\?\\" + LowerCase(InterfaceName(id));
}

std::string NoticeName(const UsbPrinterIdentity& id) {
    return "\\\\?\\" + InterfaceName(id);
}

}  // namespace tq::test
