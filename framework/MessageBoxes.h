// Where every message box goes. The link, transfer and protocol layers have no form, so their
// AfxMessageBox reaches the running application's sink: the wx front end shows a modal box, the
// headless front end prints a line, and the tests record the box. Form boxes (CWnd::MessageBox)
// reach the same sink through the form, so the sink sees every box in the order it was shown. A
// box shown from the message table (Messages.h) carries its name and, when it reports a failure,
// the failure as a value (Failure.h).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "framework/Failure.h"
#include "framework/Messages.h"

namespace tq {

// The title that AfxMessageBox boxes carry, the application's own name.
inline constexpr const char* kAppTitle = "tq9000_config_app";

struct MessageBoxEvent {
    enum class Kind { Afx, Form };
    Kind kind;
    std::string text;
    std::string caption;
    unsigned type;
    MessageId id = MessageId::Unlisted;
    // What went wrong, for a box that reports a failure; also, for the start-up notice that no USB
    // printer is online, why one that was found could not be opened.
    std::optional<Failure> failure = std::nullopt;
    bool ReportsFailure() const { return TextOf(id).reportsFailure; }
};

// The box of a message of the table, with the text given where the table has none.
MessageBoxEvent MessageBoxOf(MessageId id, std::optional<Failure> failure = std::nullopt,
                             const std::string& text = {});

class MessageSink {
public:
    virtual ~MessageSink() = default;
    // Returns once the user (or whoever plays the user) has dismissed the box.
    virtual void Show(const MessageBoxEvent& box) = 0;
    // A warning that is no box and no failure: something shown is not all there was (a text the
    // printer sent cut to what the reply buffer holds). The desktop form has never shown one, and
    // its sinks leave it alone; tq9000ctl prints it, as a script cannot see that from the value.
    virtual void Warn(const std::string& /*text*/) {}
};

// Installs the application's sink; returns the one it replaces. With no sink installed, boxes are
// written to standard error so that nothing is ever lost silently.
MessageSink* SetMessageSink(MessageSink* sink);
MessageSink* CurrentMessageSink();

// AfxMessageBox(text, 0, 0): modal, owned by the application's main window, captioned with the
// application's title. Every caller ignores the button returned.
int AfxMessageBox(const std::string& text, unsigned type = 0, unsigned helpId = 0);
// The same for a message of the table, with the failure it reports.
void ShowMessage(MessageId id, std::optional<Failure> failure = std::nullopt);

// Hands a warning to the application's sink (MessageSink::Warn); with none installed it is
// written to standard error, as the boxes are.
void ShowWarning(const std::string& text);

// A sink that keeps every box, for tests and for scripts that inspect what was shown.
class RecordingSink : public MessageSink {
public:
    void Show(const MessageBoxEvent& box) override { boxes.push_back(box); }
    void Warn(const std::string& text) override { warnings.push_back(text); }
    std::vector<MessageBoxEvent> boxes;
    std::vector<std::string> warnings;
};

// Installs a sink for the life of a scope and puts the previous one back.
class ScopedMessageSink {
public:
    explicit ScopedMessageSink(MessageSink* sink) : previous_(SetMessageSink(sink)) {}
    ~ScopedMessageSink() { SetMessageSink(previous_); }
    ScopedMessageSink(const ScopedMessageSink&) = delete;
    ScopedMessageSink& operator=(const ScopedMessageSink&) = delete;

private:
    MessageSink* previous_;
};

}  // namespace tq
