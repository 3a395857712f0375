// The window operations on the real Win32 form, so that the command code runs unchanged on it:
// each operation is the Win32 call it is named after (SendDlgItemMessage, SetDlgItemText,
// GetDlgItemText), sent to the form's control with that id. Win32MessageSink is where every box of
// the running application ends up: the link's AfxMessageBox boxes with the application's title,
// and the form's own boxes with their caption, all owned by the form.
#pragma once

#include "app/win32/Win32Api.h"
#include "framework/MessageBoxes.h"
#include "framework/WindowOps.h"

namespace tq {

class Win32WindowOps : public WindowOps {
public:
    // The form's window, once it exists; until then every operation has no effect.
    void Attach(HWND form) { form_ = form; }
    HWND Form() const { return form_; }

    // Handed to the application's sink, so that the sink sees every box in order; with no sink
    // installed the form shows the box itself.
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
    LRESULT Send(int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;

    HWND form_ = nullptr;
};

// Shows every box modally with MessageBoxA, owned by the form the operations are attached to.
class Win32MessageSink : public MessageSink {
public:
    explicit Win32MessageSink(const Win32WindowOps& form) : form_(form) {}
    void Show(const MessageBoxEvent& box) override;

private:
    const Win32WindowOps& form_;
};

}  // namespace tq
