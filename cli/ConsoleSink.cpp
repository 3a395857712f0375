#include "cli/ConsoleSink.h"

#include <string>

#include "cli/ConsoleText.h"
#include "cli/OpenHints.h"

namespace tq::cli {

// Flushed line by line, so that the two streams keep the order of the boxes on a terminal.
void ConsoleSink::Show(const MessageBoxEvent& box) {
    const std::string text = EscapeForTerminal(box.text);
    WriteWhole(err_, EscapeForTerminal(box.caption) + ": " + text + "\n");
    if (const std::string hint = HintAfter(box); !hint.empty()) {
        WriteWhole(err_, "hint: " + EscapeNameForTerminal(hint) + "\n");
    }
    if (box.id == MessageId::StatusByte) {
        WriteWhole(out_, text + "\n");
    }
}

void ConsoleSink::Warn(const std::string& text) {
    WriteWhole(err_, "tq9000ctl: warning: " + EscapeForTerminal(text) + "\n");
}

}  // namespace tq::cli
