#include "cli/ReadSource.h"

#include <cstdio>
#include <vector>

#include "link/PrinterLink.h"
#include "link/PrinterSelection.h"
#include "platform/Platform.h"

namespace tq::cli {

namespace {

// The serial number the system lists for the USB printer on `devicePath`; "" when it lists none
// (or the listing fails, which leaves the rest of the source as good as it was).
std::string SerialNumberOn(const std::string& devicePath) {
    std::vector<UsbPrinterDescription> printers;
    if (!os::ListUsbPrinters(&printers)) {
        return {};
    }
    for (const UsbPrinterDescription& printer : printers) {
        if (printer.devicePath == devicePath) {
            return SerialNumberOf(printer);
        }
    }
    return {};
}

}  // namespace

// The link's own rule: a command goes to the USB printer while it is online, else to COM1:.
PrinterSource SourceOfLinkJustUsed(const PrinterLink& link) {
    PrinterSource source;
    if (link.CurrentDeviceState() == DeviceState::Online) {
        source.link = "usb";
        source.device = link.UsbDevicePath();
        source.serial = SerialNumberOn(source.device);
    } else {
        const ComPortAssignment port = os::GetComPortAssignment(1);
        source.link = "COM1:";
        source.device = port.device;
        source.setting = port.setting;
    }
    source.time = UtcTimestamp(std::chrono::system_clock::now());
    return source;
}

std::string UtcTimestamp(std::chrono::system_clock::time_point time) {
    using namespace std::chrono;
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss<seconds> clock{floor<seconds>(time - day)};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02ld:%02ld:%02lldZ",
                  static_cast<int>(date.year()), static_cast<unsigned>(date.month()),
                  static_cast<unsigned>(date.day()), static_cast<long>(clock.hours().count()),
                  static_cast<long>(clock.minutes().count()),
                  static_cast<long long>(clock.seconds().count()));
    return text;
}

}  // namespace tq::cli
