// Test support: a USB printer for the Windows programs under Wine, backed by the Linux tq9000-sim.
// Wine's SetupAPI lists a device interface that exists only in the prefix's registry, and its
// CreateFileA opens a device path that is an alias of a named pipe: plugged, this object is both.
// It registers an interface of the USB printer class as the system does for a plugged printer
// (the interface under DeviceClasses, linked; its device instance under Enum\USB, with the driver
// and location that discovery reads), makes the interface's path an alias of a pipe, and relays
// that pipe to the simulator's terminal (PipeRelay). Unplugged, by the test or because the
// simulator hung up its line, it breaks the line of every handle still open, removes the alias
// and marks the interface not linked, as the system leaves a printer that has gone.
//
// The system tells windows of the change; under Wine nobody does, so a test that wants the form
// to know sends it the notice itself (SendDeviceNotice). Registry keys made here are volatile:
// a test that dies leaves them only until the prefix's server stops.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "app/win32/Win32Api.h"

namespace tq::test {

class PipeRelay;

struct UsbPrinterIdentity {
    std::string vendorId = "1234";  // four hexadecimal digits, as in VID_1234
    std::string productId = "5678";
    std::string serial = "SN001";
    std::string location = "Port_#0001.Hub_#0001";
};

class MockUsbPrinter {
public:
    // `line`: the simulator's terminal, as Windows names it (a Z: path).
    MockUsbPrinter(UsbPrinterIdentity identity, std::string line);
    // Unplugged, and its registry keys removed.
    ~MockUsbPrinter();
    MockUsbPrinter(const MockUsbPrinter&) = delete;
    MockUsbPrinter& operator=(const MockUsbPrinter&) = delete;

    // False, with why in Error(), when the printer could not be plugged in.
    bool Plug();
    void Unplug();
    bool Plugged() const;
    const std::string& Error() const { return error_; }

    // The interface's path as SetupAPI reports it: \\?\usb#vid_1234&pid_5678#sn001#{28d78fad-...}
    std::string DevicePath() const;
    // As the system names it in a notice: \\?\USB#VID_1234&PID_5678#SN001#{28D78FAD-...}
    std::string NoticeName() const;

    // Removes the keys of this identity that a run which died may have left.
    static void RemoveKeys(const UsbPrinterIdentity& identity);

private:
    void
    Disconnect();  // the alias, the relay and the interface's link, in the order a printer goes

    UsbPrinterIdentity identity_;
    std::string line_;
    std::string error_;
    mutable std::mutex mutex_;
    HANDLE alias_ = nullptr;
    bool linked_ = false;
    std::unique_ptr<PipeRelay> relay_;
};

// What the system sends a window registered for the USB printer class when a printer arrives
// (DBT_DEVICEARRIVAL) or has gone (DBT_DEVICEREMOVECOMPLETE): WM_DEVICECHANGE with a
// DEV_BROADCAST_DEVICEINTERFACE naming the interface; or what it sends every top-level window
// when any device came or went (DBT_DEVNODES_CHANGED, no name, no data). Sent, not posted: the
// sender waits until the window has handled it. Sent from a thread of its own, since the form
// shows its boxes from inside the handler; Handled() tells when the window is done with it.
class DeviceNotice {
public:
    DeviceNotice(HWND window, WPARAM event, const std::string& interfaceName = "");
    ~DeviceNotice();
    DeviceNotice(const DeviceNotice&) = delete;
    DeviceNotice& operator=(const DeviceNotice&) = delete;
    // True once the window has handled the notice (waiting up to `milliseconds` for it).
    bool Handled(DWORD milliseconds = 0);

private:
    std::unique_ptr<std::byte[]> broadcast_;
    HWND window_;
    WPARAM event_;
    HANDLE handled_ = nullptr;
    std::thread sender_;
};

}  // namespace tq::test
