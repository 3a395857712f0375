// The main form (template 102): its 79 controls, the four command buttons routed to the command
// code, the start-up announcement of the printer link, the window menu's About entry, and the hook
// through which device-change notices reach the device tracking. "EXIT", Escape and the close box
// end it; Enter never does.
#pragma once

#include <wx/dialog.h>
#include <wx/iconbndl.h>
#include <wx/menu.h>

#include <memory>

#include "app/wx/DeviceNoticeWatch.h"
#include "app/wx/WxWindowOps.h"
#include "link/PrinterLink.h"

namespace tq {

class CConfigForm : public wxDialog {
public:
    CConfigForm();  // template 102, no parent; loads icon 128
    ~CConfigForm() override;

    // False when the toolkit refused the window (reported on standard error): do not show it.
    bool Loaded() const { return loaded_; }
    // The window operations the commands are given, and the printer link they use.
    WindowOps& Ops() { return ops_; }
    PrinterLink& Link() { return link_; }
    // Starts delivering the source's notices to OnDeviceChange, for the form's lifetime.
    void WatchDeviceNotices(NoticeSource source);
    bool WatchingDeviceNotices() const;
    // The window menu, which stands in for the system menu GTK does not let us extend.
    wxMenu& WindowMenu() { return windowMenu_; }

    // The initialisation runs before the form first appears, so that the start-up notice comes
    // before the form does (wxGTK would send it only after showing the window).
    bool Show(bool show = true) override;

    // Every device-change notice: the link layer polls the USB printer and may tell the user.
    void OnDeviceChange();

private:
    void OnInitDialog(wxInitDialogEvent& event);
    void AddAboutEntry();
    void OnOK();
    void OnCharHook(wxKeyEvent& event);
    void OnContextMenu(wxContextMenuEvent& event);
    void OnSysCommand(wxCommandEvent& event);
    void OnCloseCommand(wxCommandEvent& event);
    void OnGetFeature(wxCommandEvent& event);
    void OnReadAll(wxCommandEvent& event);
    void OnStatusTestPrint(wxCommandEvent& event);
    void OnWriteAll(wxCommandEvent& event);

    bool loaded_ = false;
    bool initialised_ = false;
    wxIconBundle m_formIcon;
    wxMenu windowMenu_;
    WxWindowOps ops_{*this};
    PrinterLink link_;
    std::unique_ptr<DeviceNoticeWatch> deviceWatch_;

    wxDECLARE_EVENT_TABLE();
};

}  // namespace tq
