// Test support for the window tests: a record of every modal dialog the code under test opens, with
// a per-test answer so that nothing waits for a person; waits on conditions that keep the event
// loop turning; real input through the X test extension, handled before it returns; and the ways a
// window manager closes a window.
#pragma once

#include <wx/dialog.h>
#include <wx/modalhook.h>
#include <wx/timer.h>
#include <wx/toplevel.h>

#include <functional>
#include <string>
#include <utility>
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

// How long a condition may take before a wait gives up: far beyond what any step takes, even under
// the sanitizers on a loaded machine, so that only a fault ever reaches it.
constexpr int kPatienceMs = 15000;

// Keeps the event loop turning until `done` holds; false if it still does not after `timeoutMs`.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = kPatienceMs);

// One pass of the event loop: everything that is ready now is handled, a readable descriptor
// included. What has not happened after it is not waiting to happen.
void RunPendingEvents();

// Handles every event the X server has produced for this program so far: a round trip on the
// toolkit's own connection brings them all in (the server answers in order, after the events it
// queued before), and one pass of the loop handles them.
void HandleQueuedInput();

// Until the window is mapped by the X server and drawn once: from then on input aimed at its
// controls reaches them.
bool WaitUntilReadyForInput(wxTopLevelWindow& window);

// Real input: a left click in the middle of the window, a key press. Each returns once the program
// has handled the input, and whatever the handlers ran synchronously with it.
void ClickOn(wxWindow& window);
void PressKey(int keyCode);

// Counts GTK's activations of the buttons in `window` from now on. Enter activates a default
// button at once but clicks it only up to 250 ms later (GTK shows it pressed meanwhile): the
// activation is the early sign that Enter reached it.
class ButtonActivations {
public:
    explicit ButtonActivations(wxWindow& window);
    ~ButtonActivations();
    ButtonActivations(const ButtonActivations&) = delete;
    ButtonActivations& operator=(const ButtonActivations&) = delete;

    int count() const { return count_; }

private:
    std::vector<std::pair<void*, unsigned long>> handlers_;  // GtkButton, signal handler id
    int count_ = 0;
};

// The least height the toolkit's style lets the control be drawn at.
int ToolkitMinimumHeight(wxWindow& control);

// The close box, as the window manager presses it (GTK delivers it from the event loop); and a
// native box dismissed with OK.
void CloseLikeWindowManager(wxTopLevelWindow& window);
void DismissNativeBox(wxDialog& box);
// A native box (a message dialog) has its window only while it runs: true once that is mapped.
bool NativeBoxShown(wxDialog& box);

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
