// The action that shows what is attached: every USB printer interface and every serial port, one
// line each, without opening any of them. It needs no form, so a run of `list` alone does not start
// one: the form's start-up opens the USB printer, which would keep a print queue from it.
#include "cli/ActionGroups.h"
#include "cli/AttachedDevices.h"
#include "cli/ConsoleText.h"
#include "platform/Platform.h"

namespace tq::cli {

namespace {

void ReportListingFailure(ActionContext& context, const char* what) {
    WriteProgramLine(context.err, std::string("the ") + what + " cannot be listed (error " +
                                      std::to_string(os::GetLastError()) + ")");
    context.failed = true;
}

// USB printers first, in the order discovery takes them, then the serial ports. All lines go out
// in one write, so that another run's output cannot come between them.
void RunList(ActionContext& context, const ParsedAction& action) {
    const bool json = action.HasFlag("--json");
    std::vector<UsbPrinterDescription> printers;
    if (!os::ListUsbPrinters(&printers)) {
        return ReportListingFailure(context, "USB printers");
    }
    std::vector<SerialPortDescription> ports;
    if (!os::ListSerialPorts(&ports)) {
        return ReportListingFailure(context, "serial ports");
    }
    std::string lines;
    for (const UsbPrinterDescription& printer : printers) {
        lines += json ? FormatUsbJson(printer) : FormatUsbLine(printer);
    }
    for (const SerialPortDescription& port : ports) {
        lines += json ? FormatSerialJson(port) : FormatSerialLine(port);
    }
    WriteWhole(context.out, lines);
}

}  // namespace

void RegisterDeviceActions(ActionRegistry& registry) {
    registry.Add({"list",
                  {},
                  {"--json"},
                  "printers and ports attached",
                  RunList,
                  nullptr,
                  "list --json",
                  false});
}

}  // namespace tq::cli
