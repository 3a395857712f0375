// Notices that USB devices came or went, for the front ends' event loops. Windows sends every
// top-level window WM_DEVICECHANGE by itself; elsewhere the front end watches Descriptor() in its
// event loop (also while a modal box runs its own loop) and, when it becomes readable, calls
// Drain() and hands the batch to HandleDeviceChange once.
#pragma once

#include <memory>

namespace tq {

class DeviceNotifications {
public:
    // Starts listening at once; a notice sent before construction is not seen.
    DeviceNotifications();
    ~DeviceNotifications();
    DeviceNotifications(const DeviceNotifications&) = delete;
    DeviceNotifications& operator=(const DeviceNotifications&) = delete;

    // Readable while notices wait; -1 when the system offers none (nothing to watch then).
    int Descriptor() const;
    // Reads every waiting notice without blocking; returns how many there were.
    int Drain();

private:
    struct Monitor;
    std::unique_ptr<Monitor> monitor_;
};

}  // namespace tq
