#include "app/win32/ConfigForm.h"

#include <cstring>

#include "app/win32/DialogTemplateBytes.h"
#include "commands/Commands.h"
#include "commands/FormStartup.h"
#include "framework/ControlIds.h"
#include "link/PrinterLink.h"
#include "res/DialogTemplates.h"

namespace tq {

namespace {

// The printer interface class whose arrivals and removals the form asks to hear of.
constexpr GUID kUsbPrintInterface = {
    0x28D78FAD, 0x5A12, 0x11D1, {0xAE, 0x5B, 0x00, 0x00, 0xF8, 0x03, 0xA8, 0xC2}};

constexpr UINT kAboutEntry = IDM_ABOUTBOX;

// Combo boxes' notification codes share their numbers with other controls' (CBN_DROPDOWN is
// BN_KILLFOCUS): the template says which controls are combo boxes.
bool IsComboBox(int id) {
    const DialogItem* item = FindDialogItem(ConfigFormTemplate(), id);
    return item != nullptr &&
           (item->kind == ItemKind::DropDownCombo || item->kind == ItemKind::DropDownList);
}

// The dialog manager puts a dialog at its template's origin, the corner of the screen; the form
// and its About box come up in the middle of the owner, or of the screen the form is on.
void CentreWindow(HWND window) {
    RECT area;
    const HWND owner = GetWindow(window, GW_OWNER);
    if (owner != nullptr && IsWindowVisible(owner) && !IsIconic(owner)) {
        GetWindowRect(owner, &area);
    } else {
        MONITORINFO monitor{};
        monitor.cbSize = sizeof monitor;
        GetMonitorInfoA(MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY), &monitor);
        area = monitor.rcWork;
    }
    RECT rect;
    GetWindowRect(window, &rect);
    const int x = area.left + (area.right - area.left - (rect.right - rect.left)) / 2;
    const int y = area.top + (area.bottom - area.top - (rect.bottom - rect.top)) / 2;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

INT_PTR CALLBACK AboutBoxProc(HWND window, UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    if (message == WM_INITDIALOG) {
        CentreWindow(window);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        EndDialog(window, LOWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

void RunAboutBox(HINSTANCE instance, HWND owner) {
    const std::vector<std::byte> about = BuildDialogTemplate(AboutBoxTemplate());
    DialogBoxIndirectParamA(instance, reinterpret_cast<const DLGTEMPLATE*>(about.data()), owner,
                            AboutBoxProc, 0);
}

CConfigForm::CConfigForm(HINSTANCE instance)
    : instance_(instance),
      m_formIcon(LoadIconA(instance, MAKEINTRESOURCEA(kAppIconResource))),
      template_(BuildDialogTemplate(ConfigFormTemplate())) {}

INT_PTR CConfigForm::DoModal() {
    return DialogBoxIndirectParamA(instance_,
                                   reinterpret_cast<const DLGTEMPLATE*>(template_.data()), nullptr,
                                   DialogProc, reinterpret_cast<LPARAM>(this));
}

INT_PTR CALLBACK CConfigForm::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* form = reinterpret_cast<CConfigForm*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        form->window_ = window;
        form->ops_.Attach(window);
    }
    auto* form = reinterpret_cast<CConfigForm*>(GetWindowLongPtrA(window, DWLP_USER));
    return form != nullptr ? form->WindowProc(message, wParam, lParam) : FALSE;
}

// Every WM_DEVICECHANGE, whatever its event type, reaches the device tracking before the dialog
// manager's own handling, also while a modal box of the form runs its own message loop.
INT_PTR CConfigForm::WindowProc(UINT message, WPARAM wParam, LPARAM /*lParam*/) {
    if (lists_.OnPosted(window_, message, wParam)) {
        return TRUE;
    }
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_DEVICECHANGE:
            link_.HandleDeviceChange(ops_);
            return FALSE;
        case WM_SYSCOMMAND:
            return OnSysCommand(wParam);
        case WM_PAINT:
            return OnPaint();
        case WM_QUERYDRAGICON:
            return reinterpret_cast<INT_PTR>(m_formIcon);
        case WM_COMMAND:
            return OnCommand(LOWORD(wParam), HIWORD(wParam));
        case WM_DESTROY:
            OnDestroy();
            return FALSE;
        default:
            return FALSE;
    }
}

// The start-up notice comes before the form appears: the dialog manager shows a visible template
// only once this returns.
BOOL CConfigForm::OnInitDialog() {
    CentreWindow(window_);
    AddAboutEntry();
    SendMessageA(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_formIcon));
    SendMessageA(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_formIcon));
    WatchPrinterInterfaces();
    StartUpForm(ops_, link_);
    // Read All, not the first tab stop: a key pressed at once should not end the form or change
    // a setting.
    ops_.GotoDlgCtrl(IDC_READ_ALL);
    return FALSE;  // the focus is set
}

void CConfigForm::AddAboutEntry() {
    const HMENU systemMenu = GetSystemMenu(window_, FALSE);
    if (systemMenu == nullptr) {
        return;
    }
    char about[256] = {};
    if (LoadStringA(instance_, IDS_ABOUTBOX, about, sizeof about) > 0) {
        AppendMenuA(systemMenu, MF_SEPARATOR, 0, nullptr);
        AppendMenuA(systemMenu, MF_STRING, kAboutEntry, about);
    }
}

// Windows broadcasts only that the device tree changed; a printer interface's arrival and removal
// reach the windows that asked for that interface class.
void CConfigForm::WatchPrinterInterfaces() {
    DEV_BROADCAST_DEVICEINTERFACE_A filter;
    std::memset(&filter, 0, sizeof filter);
    filter.dbcc_size = sizeof filter;
    filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
    filter.dbcc_classguid = kUsbPrintInterface;
    deviceNotify_ = RegisterDeviceNotificationA(window_, &filter, DEVICE_NOTIFY_WINDOW_HANDLE);
}

void CConfigForm::OnDestroy() {
    if (deviceNotify_ != nullptr) {
        UnregisterDeviceNotification(deviceNotify_);
        deviceNotify_ = nullptr;
    }
    ops_.Attach(nullptr);
}

bool CConfigForm::OnSysCommand(WPARAM id) {
    if ((id & 0xFFF0) != kAboutEntry) {
        return false;
    }
    RunAboutBox(instance_, window_);
    return true;
}

// Minimised, the form shows its icon centred in what is left of it.
bool CConfigForm::OnPaint() {
    if (!IsIconic(window_)) {
        return false;
    }
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(window_, &paint);
    SendMessageA(window_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client;
    GetClientRect(window_, &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(dc, x, y, m_formIcon);
    EndPaint(window_, &paint);
    return true;
}

// IDOK (Enter with no button focused) does nothing; IDCANCEL ("EXIT", Escape, the close box) ends
// the form.
bool CConfigForm::OnCommand(WORD id, WORD notification) {
    if (id == IDOK) {
        return true;
    }
    if (id == IDCANCEL) {
        EndDialog(window_, IDCANCEL);
        return true;
    }
    if (IsComboBox(id)) {
        lists_.OnNotification(window_, id, notification);
        return true;
    }
    if (notification != BN_CLICKED) {
        return false;
    }
    switch (id) {
        case IDC_GET:
            OnGetFeature(ops_, link_);
            return true;
        case IDC_READ_ALL:
            OnReadAll(ops_, link_);
            return true;
        case IDC_STATUS_TEST_PRINT:
            OnStatusTestPrint(ops_, link_);
            return true;
        case IDC_WRITE_ALL:
            OnWriteAll(ops_, link_);
            return true;
        default:
            return false;
    }
}

}  // namespace tq
