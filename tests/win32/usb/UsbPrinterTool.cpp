// tq9000-usb-printer: plugs a mock USB printer into the Wine prefix it runs in (UsbPrinterHost.h)
// for as long as it runs, backed by a serial line: the terminal of a Linux tq9000-sim. The tests
// run one per printer (MockUsbPrinter.h); so do the bench and whoever tries the Windows programs
// over USB by hand (tests/wine/README.md).
//   wine64 tq9000-usb-printer.exe [--serial S] [--vendor HEX] [--product HEX] [--location L] LINE
// LINE as Windows names it, e.g. Z:\tmp\line (a link to the simulator's terminal). Once plugged it
// prints the interface's path and a line break; it unplugs and exits when its standard input ends
// (also when whoever started it dies) or the simulator hangs up the line. The interface's keys
// stay, not linked, as the system keeps those of a printer that went. Exit status 0, or 1 when it
// could not plug the printer, 2 on a usage error.
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "tests/win32/usb/UsbPrinterHost.h"

namespace {

const char* const kUsage =
    "usage: tq9000-usb-printer [--serial S] [--vendor HEX] [--product HEX] [--location L] LINE\n";

bool ParseArguments(int argc, char** argv, tq::test::UsbPrinterIdentity& identity,
                    std::string& line) {
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        std::string* field = option == "--serial"     ? &identity.serial
                             : option == "--vendor"   ? &identity.vendorId
                             : option == "--product"  ? &identity.productId
                             : option == "--location" ? &identity.location
                                                      : nullptr;
        if (field != nullptr && i + 1 < argc) {
            *field = argv[++i];
        } else if (field == nullptr && option.rfind("--", 0) != 0 && line.empty()) {
            line = option;
        } else {
            return false;
        }
    }
    return !line.empty();
}

}  // namespace

int main(int argc, char** argv) {
    tq::test::UsbPrinterIdentity identity;
    std::string line;
    if (!ParseArguments(argc, argv, identity, line)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    tq::test::UsbPrinterHost::RemoveKeys(identity);
    tq::test::UsbPrinterHost printer(identity, line);
    if (!printer.Plug()) {
        std::fprintf(stderr, "tq9000-usb-printer: %s\n", printer.Error().c_str());
        return 1;
    }
    std::printf("%s\n", tq::test::DevicePath(identity).c_str());
    std::fflush(stdout);
    // Standard input is read on a thread of its own, so that a hang-up of the line ends the
    // program too.
    std::atomic<bool> inputEnded{false};
    std::thread([&inputEnded] {
        char buffer[256];
        while (std::fread(buffer, 1, sizeof buffer, stdin) > 0) {
        }
        inputEnded = true;
    }).detach();
    while (printer.Plugged() && !inputEnded) {
        Sleep(50);
    }
    return 0;
}
