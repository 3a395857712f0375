#include "platform/posix/UdevPrinters.h"

#include <libudev.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "platform/posix/Errors.h"

namespace tq::posix {

namespace {

struct UdevUnref {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <class T>
using UdevPtr = std::unique_ptr<T, UdevUnref>;

constexpr const char* kPrinterClass = "07";

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
    return PrinterInterface{devnode, driver != nullptr ? driver : "",
                            location != nullptr ? location : ""};
}

bool NodeOrder(const PrinterInterface& a, const PrinterInterface& b) {
    if (a.devicePath.size() != b.devicePath.size()) {
        return a.devicePath.size() < b.devicePath.size();
    }
    return a.devicePath < b.devicePath;
}

std::vector<PrinterInterface> DescribeAll(udev* context, udev_enumerate* enumeration) {
    std::vector<PrinterInterface> printers;
    udev_list_entry* entry = nullptr;
    udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration)) {
        // A node that vanished since the scan has no device any more: it is simply not listed.
        UdevPtr<udev_device> node(
            udev_device_new_from_syspath(context, udev_list_entry_get_name(entry)));
        if (node == nullptr)
            continue;
        if (auto printer = DescribePrinter(node.get())) {
            printers.push_back(std::move(*printer));
        }
    }
    std::sort(printers.begin(), printers.end(), NodeOrder);
    return printers;
}

}  // namespace

std::optional<std::vector<PrinterInterface>> ListUsbPrinters() {
    UdevPtr<udev> context(udev_new());
    if (context == nullptr) {
        SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
        return std::nullopt;
    }
    UdevPtr<udev_enumerate> enumeration(udev_enumerate_new(context.get()));
    if (enumeration == nullptr ||
        udev_enumerate_add_match_subsystem(enumeration.get(), "usbmisc") < 0 ||
        udev_enumerate_add_match_sysname(enumeration.get(), "lp*") < 0) {
        SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
        return std::nullopt;
    }
    if (const int result = udev_enumerate_scan_devices(enumeration.get()); result < 0) {
        SetLastErrorCode(ErrorFromErrno(-result));
        return std::nullopt;
    }
    return DescribeAll(context.get(), enumeration.get());
}

}  // namespace tq::posix
