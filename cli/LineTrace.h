// --trace: a record of everything on the printer's line, for a support desk to read. Each action
// opens with a line "# action NAME ARGS"; the first transfer of the action names the link
// ("# link COM1:" or "# link USB /dev/usb/lp0"); then each write and each chunk received is one
// line:
//
//      103.2 ms  recv  reply 88 PrinterOptions 0x30 | 30
//
// the milliseconds since the action began, "send", "recv" or "drop" (input dropped as stale or as
// a late tail), the bytes decoded (TraceDecoding.h), and after the last " | " the bytes in
// hexadecimal. The file opens with "# tq9000ctl trace, format 1"; the format changes only with
// that number.
#pragma once

#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "link/PrinterLink.h"
#include "protocol/TraceDecoding.h"

namespace tq::cli {

// One transfer's line, without its newline.
std::string FormatTraceLine(double elapsedMs, TransferEvent event, std::string_view decoded,
                            std::string_view hex);

class LineTrace {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;
    // The trace of `link`'s transfers (PrinterLink::SetTransferObserver), which also says which
    // link each action used.
    explicit LineTrace(const PrinterLink& link, Clock clock = std::chrono::steady_clock::now)
        : link_(link), clock_(std::move(clock)) {}
    ~LineTrace();
    LineTrace(const LineTrace&) = delete;
    LineTrace& operator=(const LineTrace&) = delete;

    // The destination: `standardError` for "", else the file, created or emptied (a regular file
    // only, see SafeFiles.h). Empty on success, else "FILE: cannot be written: ...".
    std::string Open(const std::string& path, std::ostream& standardError);
    // Writes the action's line, starts its clock and forgets the requests of the one before.
    void BeginAction(const std::string& description);
    // For SetTransferObserver.
    void Observe(TransferEvent event, const BYTE* bytes, DWORD count);

private:
    void Write(const std::string& line);

    const PrinterLink& link_;
    Clock clock_;
    std::ostream* stream_ = nullptr;
    int fd_ = -1;
    std::chrono::steady_clock::time_point actionStart_;
    bool linkNamed_ = false;
    TraceDecoder decoder_;
};

}  // namespace tq::cli
