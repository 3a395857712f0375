// Test support: the real application under Wine, played by a test. RunApp runs the program's own
// RunConfigApp on the test's thread; the script runs on a thread of its own and acts as
// the user does, through the windows the program shows: it waits for them, reads them, and sends
// them the messages that clicks and keys make. The program's thread stays the only one that runs
// its code.
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "app/win32/Win32Api.h"

namespace tq {
class PrinterLink;
}

namespace tq::test {

inline constexpr std::chrono::milliseconds kPatience{15000};

class AppDriver {
public:
    // Runs the application until its form closes; whatever the script leaves open is closed
    // after it. Returns the program's exit status.
    int RunApp(const std::function<void(AppDriver&)>& script);

    // The main form once the dialog manager has shown it; nullptr on time-out.
    HWND WaitForForm();
    // A message box or the About box, by caption; nullptr on time-out.
    HWND WaitForDialog(const std::string& caption);
    // Waits until the program has taken everything posted to it so far (clicks, keys): a command
    // has ended or shows a box, or the form has closed.
    void WaitUntilHandled(HWND form);
    bool WaitUntil(const std::function<bool()>& condition);

    // A message box's text, and its OK button pressed.
    static std::string BoxText(HWND box);
    static void Dismiss(HWND box);
    // A button pressed as a click presses it.
    static void Click(HWND dialog, int id);
    // A key pressed on whichever control of the program has the focus.
    void PressKey(WORD key);
    // The control of the program that has the keyboard focus, or nullptr.
    HWND Focus() const;

    // Every dialog the program shows now (the form, boxes), in no particular order.
    std::vector<HWND> Dialogs() const;
    // The link of the running form, for a script to look at between the user's steps.
    const PrinterLink& Link() const { return *link_; }

private:
    void CloseWhatIsOpen();

    DWORD appThread_ = 0;
    const PrinterLink* link_ = nullptr;
};

std::string WindowText(HWND window);
std::string ClassName(HWND window);

}  // namespace tq::test
