#include "app/win32/Win32WindowOps.h"

#include <string>

namespace tq {

LRESULT Win32WindowOps::Send(int id, UINT message, WPARAM wParam, LPARAM lParam) const {
    return SendDlgItemMessageA(form_, id, message, wParam, lParam);
}

void Win32WindowOps::ShowBox(const MessageBoxEvent& box) {
    if (MessageSink* sink = CurrentMessageSink()) {
        sink->Show(box);
    } else {
        MessageBoxA(form_, box.text.c_str(), box.caption.c_str(), box.type);
    }
}

std::string Win32WindowOps::GetDlgItemText(int id) const {
    const HWND control = GetDlgItem(form_, id);
    if (control == nullptr) {
        return {};
    }
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(control)) + 1, '\0');
    const UINT length = GetDlgItemTextA(form_, id, text.data(), static_cast<int>(text.size()));
    text.resize(length);
    return text;
}

void Win32WindowOps::SetDlgItemText(int id, const std::string& text) {
    SetDlgItemTextA(form_, id, text.c_str());
}

int Win32WindowOps::GetCheck(int id) const {
    return static_cast<int>(Send(id, BM_GETCHECK));
}

void Win32WindowOps::SetCheck(int id, int state) {
    Send(id, BM_SETCHECK, static_cast<WPARAM>(state));
}

void Win32WindowOps::AddString(int id, const std::string& text) {
    Send(id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// A form without that combo box answers 0 from SendDlgItemMessage, which would read as the first
// entry; CB_ERR is what the callers take for "nothing selected".
int Win32WindowOps::GetCurSel(int id) const {
    if (GetDlgItem(form_, id) == nullptr) {
        return CB_ERR;
    }
    return static_cast<int>(Send(id, CB_GETCURSEL));
}

void Win32WindowOps::SetCurSel(int id, int index) {
    Send(id, CB_SETCURSEL, static_cast<WPARAM>(index));
}

// The dialog manager moves the focus, selects an edit's text and keeps the default button right;
// a plain SetFocus would do only the first.
void Win32WindowOps::GotoDlgCtrl(int id) {
    const HWND control = GetDlgItem(form_, id);
    if (control != nullptr) {
        SendMessageA(form_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
    }
}

void Win32WindowOps::SetRange(int id, int low, int high) {
    Send(id, PBM_SETRANGE, 0, MAKELPARAM(low, high));
}

void Win32WindowOps::SetStep(int id, int step) {
    Send(id, PBM_SETSTEP, static_cast<WPARAM>(step));
}

void Win32WindowOps::SetPos(int id, int pos) {
    Send(id, PBM_SETPOS, static_cast<WPARAM>(pos));
}

void Win32WindowOps::StepIt(int id) {
    Send(id, PBM_STEPIT);
}

void Win32MessageSink::Show(const MessageBoxEvent& box) {
    MessageBoxA(form_.Form(), box.text.c_str(), box.caption.c_str(), box.type);
}

}  // namespace tq
