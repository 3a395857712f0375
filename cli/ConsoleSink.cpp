#include "cli/ConsoleSink.h"

#include <string>

#include "cli/ConsoleText.h"
#include "cli/OpenHints.h"

namespace tq::cli {

bool IsDeviceNotice(const MessageBoxEvent& box) {
    switch (box.id) {
        case MessageId::StartUpOnline:
        case MessageId::StartUpOffline:
        case MessageId::NoticeOnline:
        case MessageId::NoticeOffline:
            return true;
        default:
            return false;
    }
}

// Flushed line by line, so that the two streams keep the order of the boxes on a terminal. A
// notice that brings a hint (a USB printer found but held by another program) is kept whatever
// was asked: the run is not going where the user may think.
void ConsoleSink::Show(const MessageBoxEvent& box) {
    const std::string hint = HintAfter(box);
    if (!options_.showNotices && IsDeviceNotice(box) && hint.empty()) {
        return;
    }
    const std::string text = EscapeForTerminal(box.text);
    WriteWhole(err_, EscapeForTerminal(box.caption) + ": " + text + "\n");
    if (!hint.empty()) {
        WriteWhole(err_, "hint: " + EscapeNameForTerminal(hint) + "\n");
    }
    if (box.id == MessageId::StatusByte && options_.statusToOut) {
        WriteWhole(out_, text + "\n");
    }
}

void ConsoleSink::Warn(const std::string& text) {
    WriteWhole(err_, "tq9000ctl: warning: " + EscapeForTerminal(text) + "\n");
}

}  // namespace tq::cli
