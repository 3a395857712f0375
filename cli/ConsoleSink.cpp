#include "cli/ConsoleSink.h"

#include <string>

#include "cli/OpenHints.h"

namespace tq::cli {

namespace {

constexpr const char* kStatusCaption = "Printer Status Byte";

}  // namespace

bool ReportsFailure(const MessageBoxEvent& box) {
    if (box.kind != MessageBoxEvent::Kind::Form) {
        return true;
    }
    return box.caption != "BRENLOW" && box.caption != "WM_DEVICECHANGE" &&
           box.caption != kStatusCaption;
}

// Flushed line by line, so that the two streams keep the order of the boxes on a terminal.
void ConsoleSink::Show(const MessageBoxEvent& box) {
    err_ << box.caption << ": " << box.text << std::endl;
    if (const std::string hint = HintAfter(box); !hint.empty()) {
        err_ << "hint: " << hint << std::endl;
    }
    if (box.kind == MessageBoxEvent::Kind::Form && box.caption == kStatusCaption) {
        out_ << box.text << std::endl;
    }
    failureShown_ = failureShown_ || ReportsFailure(box);
}

}  // namespace tq::cli
