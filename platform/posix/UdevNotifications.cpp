// DeviceNotifications on libudev: a monitor of the udev events of subsystems usbmisc (the usblp
// nodes) and usb (the device and its interfaces, which come and go first when a printer without
// a bound driver is plugged in).
#include <fcntl.h>
#include <libudev.h>

#include "platform/DeviceNotifications.h"

namespace tq {

struct DeviceNotifications::Monitor {
    udev* context = nullptr;
    udev_monitor* monitor = nullptr;
    ~Monitor() {
        if (monitor != nullptr)
            udev_monitor_unref(monitor);
        if (context != nullptr)
            udev_unref(context);
    }
};

namespace {

bool StartMonitor(udev_monitor* monitor) {
    return udev_monitor_filter_add_match_subsystem_devtype(monitor, "usbmisc", nullptr) >= 0 &&
           udev_monitor_filter_add_match_subsystem_devtype(monitor, "usb", nullptr) >= 0 &&
           udev_monitor_enable_receiving(monitor) >= 0;
}

}  // namespace

DeviceNotifications::DeviceNotifications() : monitor_(std::make_unique<Monitor>()) {
    monitor_->context = udev_new();
    if (monitor_->context != nullptr) {
        monitor_->monitor = udev_monitor_new_from_netlink(monitor_->context, "udev");
    }
    if (monitor_->monitor == nullptr || !StartMonitor(monitor_->monitor)) {
        monitor_.reset();
        return;
    }
    // Drain must never block the event loop that called it.
    const int fd = udev_monitor_get_fd(monitor_->monitor);
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
}

DeviceNotifications::~DeviceNotifications() = default;

int DeviceNotifications::Descriptor() const {
    return monitor_ != nullptr ? udev_monitor_get_fd(monitor_->monitor) : -1;
}

int DeviceNotifications::Drain() {
    if (monitor_ == nullptr) {
        return 0;
    }
    int count = 0;
    while (udev_device* device = udev_monitor_receive_device(monitor_->monitor)) {
        udev_device_unref(device);
        ++count;
    }
    return count;
}

}  // namespace tq
