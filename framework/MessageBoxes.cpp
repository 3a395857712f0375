#include "framework/MessageBoxes.h"

#include <cstdio>
#include <utility>

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

namespace {

void Dispatch(const MessageBoxEvent& box) {
    if (g_sink != nullptr) {
        g_sink->Show(box);
    } else {
        std::fprintf(stderr, "%s: %s\n", box.caption.c_str(), box.text.c_str());
    }
}

}  // namespace

MessageBoxEvent MessageBoxOf(MessageId id, std::optional<Failure> failure,
                             const std::string& text) {
    const MessageText& message = TextOf(id);
    const bool afx = message.caption == nullptr;
    return {afx ? MessageBoxEvent::Kind::Afx : MessageBoxEvent::Kind::Form,
            message.text != nullptr ? message.text : text,
            afx ? kAppTitle : message.caption,
            message.type,
            id,
            std::move(failure)};
}

int AfxMessageBox(const std::string& text, unsigned type, unsigned /*helpId*/) {
    Dispatch({MessageBoxEvent::Kind::Afx, text, kAppTitle, type});
    return kIdOk;  // the only button these boxes have
}

void ShowMessage(MessageId id, std::optional<Failure> failure) {
    Dispatch(MessageBoxOf(id, std::move(failure)));
}

void ShowWarning(const std::string& text) {
    if (g_sink != nullptr) {
        g_sink->Warn(text);
    } else {
        std::fprintf(stderr, "%s: warning: %s\n", kAppTitle, text.c_str());
    }
}

}  // namespace tq
