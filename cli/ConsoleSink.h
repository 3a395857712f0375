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

class ConsoleSink : public MessageSink {
public:
    ConsoleSink(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}
    void Show(const MessageBoxEvent& box) override;
    void Warn(const std::string& text) override;

private:
    std::ostream& out_;
    std::ostream& err_;
};

}  // namespace tq::cli
