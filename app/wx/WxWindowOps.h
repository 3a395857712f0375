// The window operations on a real wx dialog, so that the command code runs unchanged on the desktop
// form: controls found by their template ids, each Win32 control message played on the matching wx
// control, and message boxes shown modally. WxMessageSink is where every box of the running
// application ends up: the link's AfxMessageBox boxes and, through the form, the form's own.
#pragma once

#include <wx/gauge.h>
#include <wx/window.h>

#include "framework/HeadlessForm.h"
#include "framework/MessageBoxes.h"
#include "framework/WindowOps.h"

namespace tq {

class WxWindowOps : public WindowOps {
public:
    explicit WxWindowOps(wxWindow& form) : form_(form) {}

    // Handed to the application's sink, which shows it owned by the form; with no sink installed
    // the form shows the box itself, so no box is ever lost or shown twice.
    void ShowBox(const MessageBoxEvent& box) override;
    std::string GetDlgItemText(int id) const override;
    void SetDlgItemText(int id, const std::string& text) override;
    int GetCheck(int id) const override;
    void SetCheck(int id, int state) override;
    void AddString(int id, const std::string& text) override;
    int GetCurSel(int id) const override;
    void SetCurSel(int id, int index) override;
    void GotoDlgCtrl(int id) override;
    void SetRange(int id, int low, int high) override;
    void SetStep(int id, int step) override;
    void SetPos(int id, int pos) override;
    void StepIt(int id) override;

private:
    template <class Control>
    Control* Find(int id) const;
    wxGauge* Gauge(int id);
    void ShowProgress(wxGauge& gauge, int id) const;

    wxWindow& form_;
    // The progress bars' Win32 arithmetic (range, step, wrap-round) is kept once, in the headless
    // form; the gauges show its result.
    HeadlessForm progress_;
};

// Shows every box modally, owned by the application's top window: AfxMessageBox boxes with the
// application's title and no icon, the form's boxes with their caption and type.
class WxMessageSink : public MessageSink {
public:
    void Show(const MessageBoxEvent& box) override;
};

// wxMessageDialog style for a Win32 message-box type (MB_OK with the icon bits).
long MessageDialogStyle(unsigned type);

// Shows one box modally, owned by `owner`.
void ShowMessageDialog(wxWindow* owner, const MessageBoxEvent& box);

}  // namespace tq
