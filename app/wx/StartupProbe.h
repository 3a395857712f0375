// A measuring aid for the start-up benchmark (bench/app_startup.sh), inert unless the environment
// variable TQ9000_STARTUP_PROBE is set. With "exit" the form's first paint prints the wall-clock
// time ("first-paint <nanoseconds since the epoch>") on standard output and closes the form; with
// "hold" it prints the time and leaves the form open, for memory readings. Either way every message
// box is answered with OK unseen, so that the start-up notice does not wait for a person.
#pragma once

#include <wx/dialog.h>
#include <wx/modalhook.h>

namespace tq {

class StartupProbe : public wxModalDialogHook {
public:
    explicit StartupProbe(wxDialog& form);
    ~StartupProbe() override;
    StartupProbe(const StartupProbe&) = delete;
    StartupProbe& operator=(const StartupProbe&) = delete;

protected:
    int Enter(wxDialog* dialog) override;

private:
    void OnPaint(wxPaintEvent& event);

    wxDialog& form_;
    bool active_ = false;
    bool closeAfterPaint_ = false;
    bool painted_ = false;
};

}  // namespace tq
