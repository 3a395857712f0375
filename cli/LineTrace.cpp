#include "cli/LineTrace.h"

#include <cstdio>
#include <span>

#include "cli/ConsoleText.h"
#include "link/PrinterLink.h"
#include "platform/Platform.h"
#include "platform/SafeFiles.h"

namespace tq::cli {

namespace {

constexpr const char* kFormatLine = "# tq9000ctl trace, format 1\n";

const char* DirectionWord(TransferEvent event) {
    switch (event) {
        case TransferEvent::Written:
            return "send";
        case TransferEvent::Received:
            return "recv";
        case TransferEvent::Dropped:
            break;
    }
    return "drop";
}

// "COM1: (/dev/pts/3, from TQ9000_COM1)": the port and the device it stood for in this run, so that
// a support desk sees which line was traced; "COM1:" alone where the system cannot tell.
std::string ComPortName() {
    const ComPortAssignment where = os::GetComPortAssignment(kPrinterPortNumber);
    if (where.device.empty() || where.device == kPrinterPortName) {
        return kPrinterPortName;
    }
    const std::string from = where.setting.empty() ? "" : ", from " + where.setting;
    return std::string(kPrinterPortName) + " (" + EscapeNameForTerminal(where.device) + from + ")";
}

std::string LinkLine(const PrinterLink& link) {
    return link.ComOpened() ? "# link " + ComPortName() + "\n"
                            : "# link USB " + EscapeNameForTerminal(link.UsbDevicePath()) + "\n";
}

}  // namespace

std::string FormatTraceLine(double elapsedMs, TransferEvent event, std::string_view decoded,
                            std::string_view hex) {
    char time[32];
    std::snprintf(time, sizeof time, "%9.1f ms", elapsedMs);
    return std::string(time) + "  " + DirectionWord(event) + "  " + std::string(decoded) + " | " +
           std::string(hex);
}

LineTrace::~LineTrace() {
    if (fd_ >= 0) {
        CloseLogFile(fd_);
    }
}

std::string LineTrace::Open(const std::string& path, std::ostream& standardError) {
    if (path.empty()) {
        stream_ = &standardError;
    } else {
        std::string error;
        fd_ = OpenLogFile(path, error);
        if (fd_ < 0) {
            return EscapeNameForTerminal(path) + ": " + error;
        }
    }
    Write(kFormatLine);
    return {};
}

void LineTrace::BeginAction(const std::string& description) {
    actionStart_ = clock_();
    linkNamed_ = false;
    decoder_.Reset();
    Write("# action " + description + "\n");
}

void LineTrace::Observe(TransferEvent event, const BYTE* bytes, DWORD count) {
    const std::chrono::duration<double, std::milli> elapsed = clock_() - actionStart_;
    const std::span<const std::uint8_t> chunk(bytes, count);
    const std::string decoded = event == TransferEvent::Written ? decoder_.DescribeSent(chunk)
                                                                : decoder_.DescribeReceived(chunk);
    std::string lines = linkNamed_ ? "" : LinkLine(link_);
    linkNamed_ = true;
    Write(lines + FormatTraceLine(elapsed.count(), event, decoded, HexBytes(chunk)) + "\n");
}

// A trace that can no longer be written is let go: the printer's work matters more than its
// record, and the run's own messages still say what happened.
void LineTrace::Write(const std::string& line) {
    if (stream_ != nullptr) {
        WriteWhole(*stream_, line);
    } else if (fd_ >= 0) {
        WriteToFile(fd_, line);
    }
}

}  // namespace tq::cli
