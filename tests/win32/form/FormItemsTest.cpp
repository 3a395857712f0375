// The dialogs as the dialog manager built them from the templates: every item's class, id, text,
// styles and place (MapDialogRect of its template rectangle), in template order and tab order;
// the About box from the system menu; the resources that travel in the program.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/win32/Win32Api.h"
#include "commands/FormStartup.h"
#include "framework/ControlIds.h"
#include "link/PrinterLink.h"
#include "res/DialogTemplates.h"
#include "res/Strings.h"
#include "tests/win32/form/AppDriver.h"

namespace tq {
namespace {

using test::AppDriver;
using test::ClassName;
using test::WindowText;

// What each kind of item is made of, as the template's kinds are described to users of the dialog
// manager: the class, and the type bits of its style.
struct KindLook {
    ItemKind kind;
    const char* className;
    DWORD typeMask;
    DWORD type;
};
constexpr KindLook kKindLooks[] = {
    {ItemKind::PushButton, "Button", BS_TYPEMASK, BS_PUSHBUTTON},
    {ItemKind::DefaultPushButton, "Button", BS_TYPEMASK, BS_DEFPUSHBUTTON},
    {ItemKind::CheckBox, "Button", BS_TYPEMASK, BS_AUTOCHECKBOX},
    {ItemKind::GroupBox, "Button", BS_TYPEMASK, BS_GROUPBOX},
    {ItemKind::Edit, "Edit", ES_AUTOHSCROLL, ES_AUTOHSCROLL},
    {ItemKind::Label, "Static", SS_TYPEMASK, SS_LEFT},
    {ItemKind::Icon, "Static", SS_TYPEMASK, SS_ICON},
    {ItemKind::DropDownCombo, "ComboBox", 0x3, CBS_DROPDOWN},
    {ItemKind::DropDownList, "ComboBox", 0x3, CBS_DROPDOWNLIST},
    {ItemKind::ProgressBar, PROGRESS_CLASSA, 0, 0},
};

const KindLook& LookOf(ItemKind kind) {
    for (const KindLook& look : kKindLooks) {
        if (look.kind == kind) {
            return look;
        }
    }
    return kKindLooks[0];
}

RECT ControlRect(HWND dialog, HWND control) {
    RECT rect;
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// The push button with the focus may be drawn as the dialog's default button while it has it.
void ExpectStyle(const DialogItem& item, HWND control, HWND focus) {
    const auto style = static_cast<DWORD>(GetWindowLongPtrA(control, GWL_STYLE));
    const auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(control, GWL_EXSTYLE));
    const KindLook& look = LookOf(item.kind);
    DWORD type = item.Has(kRightAligned) ? SS_RIGHT : look.type;
    if (item.kind == ItemKind::PushButton && control == focus &&
        (style & look.typeMask) == BS_DEFPUSHBUTTON) {
        type = BS_DEFPUSHBUTTON;
    }
    EXPECT_EQ(style & look.typeMask, type);
    EXPECT_EQ((style & WS_VISIBLE) != 0, !item.Has(kHidden));
    EXPECT_EQ((style & WS_DISABLED) != 0, item.Has(kDisabled));
    EXPECT_EQ((style & WS_TABSTOP) != 0, item.IsTabStop());
    if (item.kind == ItemKind::Label || item.kind == ItemKind::Icon) {
        EXPECT_EQ((style & SS_CENTERIMAGE) != 0, item.Has(kCentredVertically));
        EXPECT_EQ((style & SS_NOPREFIX) != 0, item.Has(kNoPrefix));
    }
    if (item.kind == ItemKind::Edit) {  // the dialog manager draws WS_BORDER as a sunken edge
        EXPECT_EQ((style & WS_BORDER) != 0 || (exStyle & WS_EX_CLIENTEDGE) != 0,
                  !item.Has(kNoBorder));
    }
}

// The dialog manager maps the position and the size each on its own. A combo box sizes its closed
// field itself, and the extent of its dropped list is reported differently by Wine (short by the
// field's height) and Windows, so only its place and width are compared; an icon takes its
// image's size.
void ExpectPlace(const DialogItem& item, HWND dialog, HWND control) {
    RECT expected{item.rect.x, item.rect.y, item.rect.width, item.rect.height};
    MapDialogRect(dialog, &expected);
    const RECT actual = ControlRect(dialog, control);
    EXPECT_EQ(actual.left, expected.left);
    EXPECT_EQ(actual.top, expected.top);
    if (item.kind == ItemKind::Icon) {
        return;
    }
    EXPECT_EQ(actual.right - actual.left, expected.right);
    if (item.kind != ItemKind::DropDownCombo && item.kind != ItemKind::DropDownList) {
        EXPECT_EQ(actual.bottom - actual.top, expected.bottom);
    }
}

std::string ExpectedText(const DialogItem& item) {
    return item.id == IDC_VERSION ? kVersionText : item.text;
}

void ExpectItemsOf(HWND dialog, const DialogTemplate& dialogTemplate) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    HWND control = GetWindow(dialog, GW_CHILD);
    for (const DialogItem& item : dialogTemplate.items) {
        SCOPED_TRACE("item " + std::to_string(item.id) + " \"" + item.text + "\"");
        ASSERT_NE(control, nullptr) << "fewer controls than the template's items";
        EXPECT_EQ(ClassName(control), LookOf(item.kind).className);
        EXPECT_EQ(GetDlgCtrlID(control), item.id == kNoId ? 0xFFFF : item.id);
        if (item.kind != ItemKind::Icon) {
            EXPECT_EQ(WindowText(control), ExpectedText(item));
        }
        ExpectStyle(item, control, info.hwndFocus);
        ExpectPlace(item, dialog, control);
        control = GetWindow(control, GW_HWNDNEXT);
    }
    EXPECT_EQ(control, nullptr) << "more controls than the template's items";
}

std::vector<int> TabOrder(HWND dialog) {
    std::vector<int> ids;
    HWND first = GetNextDlgTabItem(dialog, nullptr, FALSE);
    for (HWND item = first; item != nullptr && ids.size() <= 100;) {
        ids.push_back(GetDlgCtrlID(item));
        item = GetNextDlgTabItem(dialog, item, FALSE);
        if (item == first) {
            break;
        }
    }
    return ids;
}

std::vector<int> TemplateTabOrder(const DialogTemplate& dialogTemplate) {
    std::vector<int> ids;
    for (const DialogItem& item : dialogTemplate.items) {
        if (item.IsTabStop() && !item.Has(kHidden) && !item.Has(kDisabled)) {
            ids.push_back(item.id);
        }
    }
    return ids;
}

class WinFormItems : public ::testing::Test {
protected:
    AppDriver app;
};

TEST_F(WinFormItems, EveryItemIsTheTemplatesInTemplateAndTabOrder) {
    app.RunApp([](AppDriver& user) {
        user.Dismiss(user.WaitForDialog("BRENLOW"));
        const HWND form = user.WaitForForm();
        ASSERT_NE(form, nullptr);
        EXPECT_EQ(WindowText(form), ConfigFormTemplate().caption);
        ExpectItemsOf(form, ConfigFormTemplate());
        EXPECT_EQ(TabOrder(form), TemplateTabOrder(ConfigFormTemplate()));
        const auto exStyle = static_cast<DWORD>(GetWindowLongPtrA(form, GWL_EXSTYLE));
        EXPECT_NE(exStyle & WS_EX_APPWINDOW, 0u);
        const auto style = static_cast<DWORD>(GetWindowLongPtrA(form, GWL_STYLE));
        EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);
        EXPECT_NE(style & WS_SYSMENU, 0u);
    });
}

TEST_F(WinFormItems, TheSystemMenuEntryOpensTheAboutBoxOwnedByTheForm) {
    app.RunApp([](AppDriver& user) {
        user.Dismiss(user.WaitForDialog("BRENLOW"));
        const HWND form = user.WaitForForm();
        ASSERT_NE(form, nullptr);
        const HMENU menu = GetSystemMenu(form, FALSE);
        const int count = GetMenuItemCount(menu);
        ASSERT_GE(count, 2);
        EXPECT_EQ(GetMenuItemID(menu, count - 1), static_cast<UINT>(IDM_ABOUTBOX));
        char entry[128] = {};
        GetMenuStringA(menu, count - 1, entry, sizeof entry, MF_BYPOSITION);
        EXPECT_EQ(std::string(entry), LoadResourceString(IDS_ABOUTBOX));
        MENUITEMINFOA separator{};
        separator.cbSize = sizeof separator;
        separator.fMask = MIIM_FTYPE;
        GetMenuItemInfoA(menu, count - 2, TRUE, &separator);
        EXPECT_NE(separator.fType & MFT_SEPARATOR, 0u);

        // What choosing the entry sends; the low four bits are the system's own.
        PostMessageA(form, WM_SYSCOMMAND, IDM_ABOUTBOX | 0x3, 0);
        const HWND about = user.WaitForDialog(AboutBoxTemplate().caption);
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(GetWindow(about, GW_OWNER), form);
        ExpectItemsOf(about, AboutBoxTemplate());
        const HWND picture = GetWindow(about, GW_CHILD);
        EXPECT_NE(SendMessageA(picture, STM_GETICON, 0, 0), 0);
        AppDriver::Click(about, IDOK);
        EXPECT_TRUE(user.WaitUntil([about] { return !IsWindow(about); }));
        EXPECT_TRUE(IsWindowVisible(form));
    });
}

// The program's resources: the system menu's text, the icon in both sizes, the version, and the
// manifest that asks for common controls 6 and per-monitor DPI awareness.
TEST(WinFormResources, TheProgramCarriesItsStringIconVersionAndManifest) {
    const HMODULE program = GetModuleHandleA(nullptr);
    char about[128] = {};
    LoadStringA(program, IDS_ABOUTBOX, about, sizeof about);
    EXPECT_EQ(std::string(about), LoadResourceString(IDS_ABOUTBOX));

    for (const int size : {16, 32}) {
        const auto icon = static_cast<HICON>(
            LoadImageA(program, MAKEINTRESOURCEA(IDR_MAINFRAME), IMAGE_ICON, size, size, 0));
        ASSERT_NE(icon, nullptr) << size;
        ICONINFO info{};
        BITMAP bitmap{};
        GetIconInfo(icon, &info);
        GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
        EXPECT_EQ(bitmap.bmWidth, size);
    }

    char path[MAX_PATH] = {};
    GetModuleFileNameA(program, path, sizeof path);
    std::vector<char> version(GetFileVersionInfoSizeA(path, nullptr));
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, static_cast<DWORD>(version.size()), version.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    ASSERT_TRUE(VerQueryValueA(version.data(), "\\", reinterpret_cast<void**>(&fixed), &fixedSize));
    const std::string dotted = std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                               std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                               std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                               std::to_string(LOWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(dotted, kVersionText);

    const HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(found, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(program, found))),
                               SizeofResource(program, found));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""),
              std::string::npos);
    EXPECT_NE(manifest.find("PerMonitorV2"), std::string::npos);
    EXPECT_NE(manifest.find("true/pm"), std::string::npos);
}

}  // namespace
}  // namespace tq
