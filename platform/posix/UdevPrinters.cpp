#include "platform/posix/UdevPrinters.h"

#include <algorithm>
#include <cstring>

#include "platform/posix/NodeOrder.h"
#include "platform/posix/UdevScan.h"

namespace tq::posix {

namespace {

constexpr const char* kPrinterClass = "07";

std::string AttributeText(udev_device* device, const char* name) {
    const char* value = device != nullptr ? udev_device_get_sysattr_value(device, name) : nullptr;
    return value != nullptr ? value : "";
}

// usblp keeps the IEEE 1284 device id that the printer gave when it was attached, so reading it
// costs the printer nothing. The serial number belongs to the USB device above the interface.
void DescribeIdentity(udev_device* usbInterface, PrinterInterface& printer) {
    printer.deviceId = AttributeText(usbInterface, "ieee1284_id");
    printer.usbSerial = AttributeText(
        udev_device_get_parent_with_subsystem_devtype(usbInterface, "usb", "usb_device"), "serial");
}

// The node's printer interface, or nothing when it is not a printer's. The driver belongs to
// the interface (the lp node has none of its own); the interface's kernel name, such as
// "1-2:1.0", is the USB port path, the same across re-plugs into that port.
std::optional<PrinterInterface> DescribePrinter(udev_device* node) {
    const char* devnode = udev_device_get_devnode(node);
    udev_device* usbInterface =
        udev_device_get_parent_with_subsystem_devtype(node, "usb", "usb_interface");
    if (devnode == nullptr || usbInterface == nullptr) {
        return std::nullopt;
    }
    const char* interfaceClass = udev_device_get_sysattr_value(usbInterface, "bInterfaceClass");
    if (interfaceClass == nullptr || std::strcmp(interfaceClass, kPrinterClass) != 0) {
        return std::nullopt;
    }
    const char* driver = udev_device_get_driver(usbInterface);
    const char* location = udev_device_get_sysname(usbInterface);
    PrinterInterface printer{devnode, driver != nullptr ? driver : "",
                             location != nullptr ? location : "", "", ""};
    DescribeIdentity(usbInterface, printer);
    return printer;
}

}  // namespace

std::optional<std::vector<PrinterInterface>> ListUsbPrinters() {
    std::optional<UdevScan> scan = ScanSubsystem("usbmisc", "lp*");
    if (!scan) {
        return std::nullopt;  // the last error is set
    }
    std::vector<PrinterInterface> printers;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(scan->enumeration.get())) {
        // A node that vanished since the scan has no device any more: it is simply not listed.
        UdevPtr<udev_device> node(
            udev_device_new_from_syspath(scan->context.get(), udev_list_entry_get_name(entry)));
        if (node == nullptr)
            continue;
        if (auto printer = DescribePrinter(node.get())) {
            printers.push_back(std::move(*printer));
        }
    }
    std::sort(printers.begin(), printers.end(),
              [](const PrinterInterface& a, const PrinterInterface& b) {
                  return NodeOrder(a.devicePath, b.devicePath);
              });
    return printers;
}

}  // namespace tq::posix
