// Test support: a USB printer plugged into the Wine prefix by the process that holds this object
// (tq9000-usb-printer, which the tests run through MockUsbPrinter.h), backed by the Linux
// tq9000-sim. Wine's SetupAPI lists a device interface that exists only in the prefix's registry,
// and its CreateFileA opens a device path that is an alias of a named pipe: plugged, this object
// is both.
// It registers an interface of the USB printer class as the system does for a plugged printer
// (the interface under DeviceClasses, linked; its device instance under Enum\USB, with the driver
// and location that discovery reads), makes the interface's path an alias of a pipe, and relays
// that pipe to the simulator's terminal (PipeRelay). Unplugged, by the test or because the
// simulator hung up its line, it breaks the line of every handle still open, removes the alias
// and marks the interface not linked, as the system leaves a printer that has gone. Its registry
// keys are volatile: whatever is left of them lasts only until the prefix's server stops.
#pragma once

#include <memory>
#include <mutex>
#include <string>

#include "app/win32/Win32Api.h"
#include "tests/win32/usb/UsbPrinterIdentity.h"

namespace tq::test {

class PipeRelay;

class UsbPrinterHost {
public:
    // `line`: the simulator's terminal, as Windows names it (a Z: path).
    UsbPrinterHost(UsbPrinterIdentity identity, std::string line);
    // Unplugged; its keys stay, not linked, as the system keeps those of a printer that went.
    ~UsbPrinterHost();
    UsbPrinterHost(const UsbPrinterHost&) = delete;
    UsbPrinterHost& operator=(const UsbPrinterHost&) = delete;

    // False, with why in Error(), when the printer could not be plugged in.
    bool Plug();
    void Unplug();
    bool Plugged() const;
    const std::string& Error() const { return error_; }

    // Removes every key of that identity.
    static void RemoveKeys(const UsbPrinterIdentity& identity);

private:
    // The alias and the interface's link go: the printer is no longer found.
    void Disconnect();

    UsbPrinterIdentity identity_;
    std::string line_;
    std::string error_;
    mutable std::mutex mutex_;
    HANDLE alias_ = nullptr;
    bool linked_ = false;
    std::unique_ptr<PipeRelay> relay_;
};

}  // namespace tq::test
