// Test support: a USB printer for the Windows programs under Wine, backed by the Linux tq9000-sim.
// Plugged, it is a tq9000-usb-printer process (UsbPrinterHost.h): the interface of the USB printer
// class registered in the prefix, its path an alias of a pipe relayed to the simulator's terminal.
// Unplugged, the process has unplugged it and ended: the interface is no longer linked and every
// handle still open on it reads as the handle of a printer that went. The simulator hanging up
// its line unplugs it too. A process of its own per printer: Wine serves one serial line per
// process reliably (PipeRelay.h), and a test that dies takes its printers with it, since each
// process ends when its input does.
//
// The system tells windows that a printer came or went; under Wine nobody does, so a test that
// wants the form to know sends the notice itself (DeviceNotice).
#pragma once

#include <memory>
#include <string>
#include <thread>

#include "app/win32/Win32Api.h"
#include "tests/win32/usb/UsbPrinterIdentity.h"

namespace tq::test {

class MockUsbPrinter {
public:
    // `line`: the simulator's terminal, as Windows names it (a Z: path).
    MockUsbPrinter(UsbPrinterIdentity identity, std::string line);
    // Unplugged, and its registry keys removed.
    ~MockUsbPrinter();
    MockUsbPrinter(const MockUsbPrinter&) = delete;
    MockUsbPrinter& operator=(const MockUsbPrinter&) = delete;

    // Returns once the printer is there to be found; false, with why in Error(), if it is not.
    bool Plug();
    // Returns once the printer is gone.
    void Unplug();
    // True until it is unplugged, by the test or by a hang-up of its line (which ends the
    // process within about 50 ms).
    bool Plugged() const;
    const std::string& Error() const { return error_; }

    std::string DevicePath() const { return tq::test::DevicePath(identity_); }
    std::string NoticeName() const { return tq::test::NoticeName(identity_); }

    // Removes every key of that identity, also those a run that died may have left.
    static void RemoveKeys(const UsbPrinterIdentity& identity);

private:
    UsbPrinterIdentity identity_;
    std::string line_;
    std::string error_;
    HANDLE process_ = nullptr;
    HANDLE input_ = nullptr;  // the process's standard input: closing it unplugs the printer
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
