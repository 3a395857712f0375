#include "framework/MessageBoxes.h"

#include <cstdio>

#include "framework/WindowConstants.h"

namespace tq {

namespace {
MessageSink* g_sink = nullptr;
}

MessageSink* SetMessageSink(MessageSink* sink) {
    MessageSink* previous = g_sink;
    g_sink = sink;
    return previous;
}

MessageSink* CurrentMessageSink() {
    return g_sink;
}

int AfxMessageBox(const std::string& text, unsigned type, unsigned /*helpId*/) {
    const MessageBoxEvent box{MessageBoxEvent::Kind::Afx, text, kAppTitle, type};
    if (g_sink != nullptr) {
        g_sink->Show(box);
    } else {
        std::fprintf(stderr, "%s: %s\n", box.caption.c_str(), box.text.c_str());
    }
    return kIdOk;  // the only button these boxes have
}

void ShowWarning(const std::string& text) {
    if (g_sink != nullptr) {
        g_sink->Warn(text);
    } else {
        std::fprintf(stderr, "%s: warning: %s\n", kAppTitle, text.c_str());
    }
}

}  // namespace tq
