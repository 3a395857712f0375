// The window operations that the link, the protocol and the commands use to talk to the user and
// to read and fill the main form. One interface serves both front ends: the desktop form (wx) and
// the headless form of tq9000ctl. Controls are addressed by their numeric identifiers from the
// dialog template; each control operation is named after the Win32 message it stands for.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "framework/MessageBoxes.h"
#include "framework/WindowConstants.h"

// windows.h, where a Win32 front end includes it too, maps these names to their A or W forms; the
// window operations keep the plain names.
#undef MessageBox
#undef GetDlgItemText
#undef SetDlgItemText

namespace tq {

class WindowOps {
public:
    virtual ~WindowOps() = default;

    // CWnd::MessageBox on the form: modal, owned by the form; returns once dismissed. The box is
    // one of the message table's (with its failure) or, through MessageBox, any text at all.
    virtual void ShowBox(const MessageBoxEvent& box) = 0;
    void MessageBox(const std::string& text, const std::string& caption, unsigned type) {
        ShowBox({MessageBoxEvent::Kind::Form, text, caption, type});
    }
    void ShowMessage(MessageId id, std::optional<Failure> failure = std::nullopt,
                     const std::string& text = {}) {
        ShowBox(MessageBoxOf(id, std::move(failure), text));
    }

    // CWnd::GetDlgItemText / SetDlgItemText. Setting an id the form does not hold does nothing;
    // reading one gives an empty text.
    virtual std::string GetDlgItemText(int id) const = 0;
    virtual void SetDlgItemText(int id, const std::string& text) = 0;

    // Check boxes: BM_GETCHECK (1 when checked), BM_SETCHECK (1 or 0).
    virtual int GetCheck(int id) const = 0;
    virtual void SetCheck(int id, int state) = 0;

    // Combo boxes: CB_ADDSTRING appends (the lists are not sorted), CB_GETCURSEL gives the selected
    // index or kCbErr, CB_SETCURSEL selects an index (-1 clears the selection).
    virtual void AddString(int id, const std::string& text) = 0;
    virtual int GetCurSel(int id) const = 0;
    virtual void SetCurSel(int id, int index) = 0;

    // CDialog::GotoDlgCtrl (WM_NEXTDLGCTL): the focus moves to the control, and an edit's whole
    // text is selected, ready to be typed over. An id the form does not hold changes nothing.
    virtual void GotoDlgCtrl(int id) = 0;

    // Progress bar: PBM_SETRANGE, PBM_SETSTEP, PBM_SETPOS, PBM_STEPIT.
    virtual void SetRange(int id, int low, int high) = 0;
    virtual void SetStep(int id, int step) = 0;
    virtual void SetPos(int id, int pos) = 0;
    virtual void StepIt(int id) = 0;
};

}  // namespace tq
