#include "app/wx/ConfigForm.h"

#include <wx/button.h>

#include "app/wx/AboutBox.h"
#include "app/wx/Resources.h"
#include "app/wx/TemplateDialog.h"
#include "commands/Commands.h"
#include "commands/FormStartup.h"
#include "framework/ControlIds.h"
#include "link/PrinterLink.h"
#include "res/Strings.h"

namespace tq {

namespace {

// The window menu's Close: the slot after the About entry's (menu ids must stay below 0x8000, so
// not the system menu's own SC_CLOSE), and not wx's stock id, whose entry would announce a Ctrl+W
// that the form does not have.
constexpr int kCloseCommand = IDM_ABOUTBOX + 0x10;

}  // namespace

CConfigForm::CConfigForm() : m_formIcon(AppIcons()) {
    loaded_ = CreateFromTemplate(*this, ConfigFormTemplate());
    if (!loaded_) {
        return;
    }
    // "EXIT" is IDCANCEL (2), not wx's own cancel: Escape and the close box press it.
    SetEscapeId(kIdCancel);
}

// The watch goes before the window operations it delivers to.
CConfigForm::~CConfigForm() {
    deviceWatch_.reset();
}

void CConfigForm::WatchDeviceNotices(NoticeSource source) {
    deviceWatch_ =
        std::make_unique<DeviceNoticeWatch>(std::move(source), [this] { OnDeviceChange(); });
}

bool CConfigForm::WatchingDeviceNotices() const {
    return deviceWatch_ && deviceWatch_->Watching();
}

bool CConfigForm::Show(bool show) {
    if (show && !initialised_) {
        InitDialog();
    }
    return wxDialog::Show(show);
}

void CConfigForm::OnDeviceChange() {
    link_.HandleDeviceChange(ops_);
}

void CConfigForm::OnInitDialog(wxInitDialogEvent& event) {
    if (initialised_) {
        return;  // wxGTK sends it again as the window appears
    }
    initialised_ = true;
    wxDialog::OnInitDialog(event);
    AddAboutEntry();
    SetIcons(m_formIcon);
    StartUpForm(ops_, link_);
    // Read All, not the first control: a key pressed at once should not end the form or change a
    // setting.
    ops_.GotoDlgCtrl(IDC_READ_ALL);
}

// GTK offers no system menu to extend; the form's window menu (right click, the Menu key or
// Shift+F10) holds what the system menu would: Close, and the About entry.
void CConfigForm::AddAboutEntry() {
    if (!HasFlag(wxSYSTEM_MENU) || windowMenu_.GetMenuItemCount() != 0) {
        return;
    }
    windowMenu_.Append(kCloseCommand, "&Close");
    const std::string about = LoadResourceString(IDS_ABOUTBOX);
    if (!about.empty()) {
        windowMenu_.AppendSeparator();
        windowMenu_.Append(IDM_ABOUTBOX, wxString::FromUTF8(about.c_str()));
    }
}

// Enter would otherwise reach GTK's default-button handling and end the form. It still presses a
// button that has the focus, as on Windows.
void CConfigForm::OnCharHook(wxKeyEvent& event) {
    const int key = event.GetKeyCode();
    const bool enter = key == WXK_RETURN || key == WXK_NUMPAD_ENTER;
    if (enter && dynamic_cast<wxButton*>(FindFocus()) == nullptr) {
        OnOK();
        return;
    }
    event.Skip();
}

void CConfigForm::OnOK() {}

void CConfigForm::OnContextMenu(wxContextMenuEvent& /*event*/) {
    if (windowMenu_.GetMenuItemCount() != 0) {
        PopupMenu(&windowMenu_);
    }
}

void CConfigForm::OnSysCommand(wxCommandEvent& event) {
    if ((event.GetId() & 0xFFF0) != IDM_ABOUTBOX) {
        event.Skip();
        return;
    }
    CAboutBox about;
    if (about.Loaded()) {
        about.ShowModal();
    }
}

void CConfigForm::OnCloseCommand(wxCommandEvent& /*event*/) {
    Close();
}

void CConfigForm::OnGetFeature(wxCommandEvent& /*event*/) {
    tq::OnGetFeature(ops_, link_);
}
void CConfigForm::OnReadAll(wxCommandEvent& /*event*/) {
    tq::OnReadAll(ops_, link_);
}
void CConfigForm::OnStatusTestPrint(wxCommandEvent& /*event*/) {
    tq::OnStatusTestPrint(ops_, link_);
}
void CConfigForm::OnWriteAll(wxCommandEvent& /*event*/) {
    tq::OnWriteAll(ops_, link_);
}

// The form's message map: the four command buttons, the window menu, and the keys.
// clang-format off
wxBEGIN_EVENT_TABLE(CConfigForm, wxDialog)
    EVT_INIT_DIALOG(CConfigForm::OnInitDialog)
    EVT_CHAR_HOOK(CConfigForm::OnCharHook)
    EVT_CONTEXT_MENU(CConfigForm::OnContextMenu)
    EVT_MENU(IDM_ABOUTBOX, CConfigForm::OnSysCommand)
    EVT_MENU(kCloseCommand, CConfigForm::OnCloseCommand)
    EVT_BUTTON(IDC_GET, CConfigForm::OnGetFeature)
    EVT_BUTTON(IDC_READ_ALL, CConfigForm::OnReadAll)
    EVT_BUTTON(IDC_STATUS_TEST_PRINT, CConfigForm::OnStatusTestPrint)
    EVT_BUTTON(IDC_WRITE_ALL, CConfigForm::OnWriteAll)
wxEND_EVENT_TABLE()
// clang-format on

}  // namespace tq
