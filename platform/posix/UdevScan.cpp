#include "platform/posix/UdevScan.h"

#include "platform/posix/Errors.h"

namespace tq::posix {

std::optional<UdevScan> ScanSubsystem(const char* subsystem, const char* sysname) {
    UdevScan scan;
    scan.context.reset(udev_new());
    if (scan.context != nullptr) {
        scan.enumeration.reset(udev_enumerate_new(scan.context.get()));
    }
    if (scan.enumeration == nullptr ||
        udev_enumerate_add_match_subsystem(scan.enumeration.get(), subsystem) < 0 ||
        (sysname != nullptr &&
         udev_enumerate_add_match_sysname(scan.enumeration.get(), sysname) < 0)) {
        SetLastErrorCode(ERROR_NOT_ENOUGH_MEMORY);
        return std::nullopt;
    }
    if (const int result = udev_enumerate_scan_devices(scan.enumeration.get()); result < 0) {
        SetLastErrorCode(ErrorFromErrno(-result));
        return std::nullopt;
    }
    return scan;
}

}  // namespace tq::posix
