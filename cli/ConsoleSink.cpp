#include "cli/ConsoleSink.h"

#include <string>

#include "cli/ConsoleText.h"
#include "cli/OpenHints.h"

namespace tq::cli {

namespace {

constexpr const char* kStatusCaption = "Printer Status Byte";

}  // namespace

bool IsDeviceNotice(const MessageBoxEvent& box) {
    return box.kind == MessageBoxEvent::Kind::Form &&
           (box.caption == "BRENLOW" || box.caption == "WM_DEVICECHANGE");
}

bool ReportsFailure(const MessageBoxEvent& box) {
    if (box.kind != MessageBoxEvent::Kind::Form) {
        return true;
    }
    return !IsDeviceNotice(box) && box.caption != kStatusCaption;
}

// Flushed line by line, so that the two streams keep the order of the boxes on a terminal. A
// notice that brings a hint (a USB printer found but held by another program) is kept whatever
// was asked: the run is not going where the user may think.
void ConsoleSink::Show(const MessageBoxEvent& box) {
    const std::string hint = HintAfter(box);
    if (!showNotices_ && IsDeviceNotice(box) && hint.empty()) {
        return;
    }
    const std::string text = EscapeForTerminal(box.text);
    WriteWhole(err_, EscapeForTerminal(box.caption) + ": " + text + "\n");
    if (!hint.empty()) {
        WriteWhole(err_, "hint: " + EscapeNameForTerminal(hint) + "\n");
    }
    if (box.kind == MessageBoxEvent::Kind::Form && box.caption == kStatusCaption) {
        WriteWhole(out_, text + "\n");
    }
    failureShown_ = failureShown_ || ReportsFailure(box);
}

void ConsoleSink::Warn(const std::string& text) {
    WriteWhole(err_, "tq9000ctl: warning: " + EscapeForTerminal(text) + "\n");
}

}  // namespace tq::cli
