// The udev side of discovery: ownership of libudev's reference-counted objects, and one scan of a
// subsystem.
#pragma once

#include <libudev.h>

#include <memory>
#include <optional>

namespace tq::posix {

struct UdevUnref {
    void operator()(udev* u) const { udev_unref(u); }
    void operator()(udev_enumerate* e) const { udev_enumerate_unref(e); }
    void operator()(udev_device* d) const { udev_device_unref(d); }
};
template <class T>
using UdevPtr = std::unique_ptr<T, UdevUnref>;

// A finished scan: its entries are the syspaths found (udev_enumerate_get_list_entry).
struct UdevScan {
    UdevPtr<udev> context;
    UdevPtr<udev_enumerate> enumeration;
};

// The devices of `subsystem` present now, only those whose kernel name matches `sysname` (a glob)
// when it is given. Nothing, with the last error set, when udev cannot be asked.
std::optional<UdevScan> ScanSubsystem(const char* subsystem, const char* sysname);

}  // namespace tq::posix
