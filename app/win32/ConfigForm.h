// The main form (template 102) as a native dialog: its 79 controls built by the dialog manager from
// the template, the four command buttons routed to the command code, the start-up announcement of
// the printer link, the system menu's About entry, the icon (also drawn when minimised), and the
// hook through which every WM_DEVICECHANGE reaches the device tracking, and font lists that opening
// and closing leave as they were. "EXIT", Escape and the
// close box end it; Enter never does.
#pragma once

#include <cstddef>
#include <vector>

#include "app/win32/ListSelection.h"
#include "app/win32/Win32Api.h"
#include "app/win32/Win32WindowOps.h"
#include "link/PrinterLink.h"

namespace tq {

class CConfigForm {
public:
    explicit CConfigForm(HINSTANCE instance);  // template 102, no parent; loads icon 128
    CConfigForm(const CConfigForm&) = delete;
    CConfigForm& operator=(const CConfigForm&) = delete;

    // Runs the form modally until it is closed; returns how it ended (IDCANCEL), or -1 when the
    // dialog could not be created.
    INT_PTR DoModal();

    // The window operations the commands are given; attached to the form while it is shown.
    Win32WindowOps& Ops() { return ops_; }
    PrinterLink& Link() { return link_; }
    HICON Icon() const { return m_formIcon; }

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    BOOL OnInitDialog();
    void AddAboutEntry();
    void WatchPrinterInterfaces();
    bool OnSysCommand(WPARAM id);
    bool OnPaint();
    bool OnCommand(WORD id, WORD notification);
    void OnDestroy();

    HINSTANCE instance_;
    HICON m_formIcon;
    HWND window_ = nullptr;
    HDEVNOTIFY deviceNotify_ = nullptr;
    std::vector<std::byte> template_;
    Win32WindowOps ops_;
    PrinterLink link_;
    ListSelectionKeeper lists_;
};

// The About box (template 100): the icon, the version, the notice and "OK".
void RunAboutBox(HINSTANCE instance, HWND owner);

}  // namespace tq
