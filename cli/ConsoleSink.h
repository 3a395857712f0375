// Message boxes for a program without windows: each box becomes one line "CAPTION: TEXT" on
// standard error, in the order shown, and the sink remembers whether any of them reported a
// failure. The status byte's box is a result, so its text also goes to standard output. Each line
// is escaped for a terminal and written whole (ConsoleText.h). A box that reports a printer which
// could not be opened is followed by a line "hint: ..." that says why, when the cause is known
// (OpenHints.h). A warning (MessageSink::Warn) is one line "tq9000ctl: warning: TEXT" on standard
// error, and no failure.
#pragma once

#include <ostream>
#include <string>

#include "framework/MessageBoxes.h"

namespace tq::cli {

// "Device Online", "Usb offline, assuming COM1:" and the like: where commands will go.
bool IsDeviceNotice(const MessageBoxEvent& box);

// The device notices and the status text are not failures; every other box of the link, the
// transfer, the protocol and the commands reports one.
bool ReportsFailure(const MessageBoxEvent& box);

class ConsoleSink : public MessageSink {
public:
    // Without `showNotices`, the device notices are left out, unless a hint comes with them.
    ConsoleSink(std::ostream& out, std::ostream& err, bool showNotices = true)
        : out_(out), err_(err), showNotices_(showNotices) {}
    void Show(const MessageBoxEvent& box) override;
    void Warn(const std::string& text) override;
    bool FailureShown() const { return failureShown_; }

private:
    std::ostream& out_;
    std::ostream& err_;
    bool showNotices_;
    bool failureShown_ = false;
};

}  // namespace tq::cli
