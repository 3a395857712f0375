// Message boxes for a program without windows: each box becomes one line "CAPTION: TEXT" on
// standard error, in the order shown. Whether a run failed is not the sink's to say: the commands
// hand back their failures as values (Commands.h). The status byte's box is a result, so its text
// also goes to standard output. Each line is escaped for a terminal and written whole
// (ConsoleText.h). A box that reports a printer which could not be opened is followed by a line
// "hint: ..." that says why, when the cause is known (OpenHints.h). A warning (MessageSink::Warn)
// is one line "tq9000ctl: warning: TEXT" on standard error, and no failure.
#pragma once

#include <ostream>
#include <string>

#include "framework/MessageBoxes.h"

namespace tq::cli {

// "Device Online", "Usb offline, assuming COM1:" and the like: where the commands will go.
bool IsDeviceNotice(const MessageBoxEvent& box);

struct ConsoleSinkOptions {
    // Without it, the device notices are left out, unless a hint comes with them.
    bool showNotices = true;
    // Without it, standard output is kept for an action's own result (check's one line).
    bool statusToOut = true;
};

class ConsoleSink : public MessageSink {
public:
    ConsoleSink(std::ostream& out, std::ostream& err, ConsoleSinkOptions options = {})
        : out_(out), err_(err), options_(options) {}
    void Show(const MessageBoxEvent& box) override;
    void Warn(const std::string& text) override;

private:
    std::ostream& out_;
    std::ostream& err_;
    ConsoleSinkOptions options_;
};

}  // namespace tq::cli
