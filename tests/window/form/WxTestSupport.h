// Test support for the window tests: a record of every modal dialog the code under test opens, with
// a per-test answer so that nothing waits for a person; waits that keep the event loop turning;
// real input through the X test extension; and the ways a window manager closes a window.
#pragma once

#include <wx/dialog.h>
#include <wx/modalhook.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include <functional>
#include <string>
#include <vector>

namespace tq::test {

struct ShownDialog {
    std::string kind;  // "message", "form", "about", or "dialog"
    std::string text;
    std::string caption;
    long style = 0;
    const wxWindow* owner = nullptr;
    int openBefore = 0;  // how many dialogs were open for real when this one came
};

// "CAPTION: TEXT" plus " (i)" for an information icon: message boxes in one comparable line.
std::string Describe(const ShownDialog& dialog);
std::vector<std::string> Describe(const std::vector<ShownDialog>& dialogs);

class DialogRecorder : public wxModalDialogHook {
public:
    // What a dialog is answered with; wxID_NONE lets it show for real.
    using Answer = std::function<int(wxDialog&)>;

    DialogRecorder();
    ~DialogRecorder() override;

    // By default message boxes are answered with OK unseen and the main form runs for real; any
    // other dialog fails the test and is answered unseen, so that nothing can hang a headless run.
    Answer answer;
    std::vector<ShownDialog> shown;
    std::vector<std::string> messages() const { return Describe(shown); }

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

private:
    int DefaultAnswer(wxDialog& dialog) const;

    int open_ = 0;
};

// Keeps the event loop turning for `ms` milliseconds, or until `done` holds; returns `done()`.
void Wait(int ms);
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 3000);

// Real input: a left click in the middle of the window, a key press.
void ClickOn(wxWindow& window);
void PressKey(int keyCode);

// The least height the toolkit's style lets the control be drawn at.
int ToolkitMinimumHeight(wxWindow& control);

// The close box, as the window manager presses it; and a native box dismissed with OK.
void CloseLikeWindowManager(wxTopLevelWindow& window);
void DismissNativeBox(wxDialog& box);

// Fails the test and runs `rescue` (which closes whatever would otherwise wait for ever) if it is
// still alive after `ms` milliseconds of event-loop time, nested loops included.
class Watchdog {
public:
    Watchdog(int ms, std::function<void()> rescue);
    ~Watchdog();
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    wxTimer timer_;
    std::function<void()> rescue_;
};

// Runs `script` once the dialog's modal loop is running, then shows it modally; if the script
// leaves it open, it is ended after the script and the test fails.
int RunModalWith(wxDialog& dialog, const std::function<void()>& script);

}  // namespace tq::test
