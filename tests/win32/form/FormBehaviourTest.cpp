// The form as the user meets it: the start-up notice before the form, what the form shows once up,
// the keys and buttons that close it or not, and device-change messages reaching the device
// tracking, also while a modal box is open.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/win32/Win32Api.h"
#include "app/win32/Win32WindowOps.h"
#include "commands/FormStartup.h"
#include "framework/ControlIds.h"
#include "link/PrinterLink.h"
#include "protocol/FontTable.h"
#include "tests/win32/form/AppDriver.h"
#include "tests/window/ReadingOrder.h"

namespace tq {
namespace {

using test::AppDriver;
using test::WindowText;

// No mock USB printer is plugged into the prefix for these tests, so the start-up discovery finds
// none.
const char* const kOfflineNotice = "Usb offline, assuming COM1:";

class WinFormBehaviour : public ::testing::Test {
protected:
    AppDriver app;
};

TEST_F(WinFormBehaviour, TheStartUpNoticeComesBeforeTheFormAndIsOwnedByIt) {
    const int status = app.RunApp([](AppDriver& user) {
        const HWND notice = user.WaitForDialog("BRENLOW");
        ASSERT_NE(notice, nullptr);
        EXPECT_EQ(AppDriver::BoxText(notice), kOfflineNotice);
        const HWND owner = GetWindow(notice, GW_OWNER);
        EXPECT_NE(GetDlgItem(owner, IDC_READ_ALL), nullptr) << "not owned by the form";
        EXPECT_FALSE(IsWindowVisible(owner)) << "the form came before its notice";
        AppDriver::Dismiss(notice);
        EXPECT_EQ(user.WaitForForm(), owner);
    });
    EXPECT_EQ(status, 0);
}

TEST_F(WinFormBehaviour, TheFormComesUpWithItsListsVersionAndIcon) {
    app.RunApp([](AppDriver& user) {
        AppDriver::Dismiss(user.WaitForDialog("BRENLOW"));
        const HWND form = user.WaitForForm();
        ASSERT_NE(form, nullptr);
        Win32WindowOps controls;
        controls.Attach(form);
        for (const int list : {IDC_JOURNAL_FONT, IDC_VALIDATION_FONT}) {
            SCOPED_TRACE("list " + std::to_string(list));
            ASSERT_EQ(SendDlgItemMessageA(form, list, CB_GETCOUNT, 0, 0), std::size(FontTable));
            for (std::size_t i = 0; i < std::size(FontTable); ++i) {
                char name[64] = {};
                SendDlgItemMessageA(form, list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(name));
                EXPECT_EQ(std::string(name), FontTable[i].displayName);
            }
            EXPECT_EQ(controls.GetCurSel(list), CB_ERR);
        }
        EXPECT_EQ(controls.GetDlgItemText(IDC_VERSION), kVersionText);
        const LRESULT big = SendMessageA(form, WM_GETICON, ICON_BIG, 0);
        EXPECT_NE(big, 0);
        EXPECT_EQ(SendMessageA(form, WM_GETICON, ICON_SMALL, 0), big);
        EXPECT_EQ(SendMessageA(form, WM_QUERYDRAGICON, 0, 0), big);
    });
}

// What closes the form and what does not. Enter in a field reaches the dialog manager as IDOK,
// which the form ignores.
struct CloseCase {
    const char* name;
    std::function<void(AppDriver&, HWND form)> act;
    bool closes;
};

TEST_F(WinFormBehaviour, EnterLeavesItOpenEscapeExitAndTheCloseBoxEndIt) {
    const CloseCase cases[] = {
        {"Enter in a field",
         [](AppDriver& user, HWND form) {
             SendMessageA(form, WM_NEXTDLGCTL,
                          reinterpret_cast<WPARAM>(GetDlgItem(form, IDC_CLAMP_DELAY)), TRUE);
             user.PressKey(VK_RETURN);
         },
         false},
        {"Escape", [](AppDriver& user, HWND) { user.PressKey(VK_ESCAPE); }, true},
        {"EXIT", [](AppDriver&, HWND form) { AppDriver::Click(form, IDCANCEL); }, true},
        {"the close box",
         [](AppDriver&, HWND form) { PostMessageA(form, WM_SYSCOMMAND, SC_CLOSE, 0); }, true},
    };
    for (const CloseCase& closeCase : cases) {
        SCOPED_TRACE(closeCase.name);
        app.RunApp([&closeCase](AppDriver& user) {
            AppDriver::Dismiss(user.WaitForDialog("BRENLOW"));
            const HWND form = user.WaitForForm();
            ASSERT_NE(form, nullptr);
            closeCase.act(user, form);
            user.WaitUntilHandled(form);
            if (closeCase.closes) {
                EXPECT_TRUE(user.WaitUntil([form] { return !IsWindow(form); }));
            } else {
                EXPECT_TRUE(IsWindowVisible(form));
                EXPECT_EQ(user.Dialogs().size(), 1u) << "a box came up";
            }
        });
    }
}

// The form opens with the focus on Read All, and Tab takes it to every field and button in the
// order the form is read, round to Read All again.
TEST_F(WinFormBehaviour, TabWalksTheFormInReadingOrderFromReadAll) {
    app.RunApp([](AppDriver& user) {
        AppDriver::Dismiss(user.WaitForDialog("BRENLOW"));
        const HWND form = user.WaitForForm();
        ASSERT_NE(form, nullptr);
        user.WaitUntilHandled(form);
        // An editable list has the focus in its field, a window of its own inside the list.
        const auto focused = [&user, form] {
            const HWND focus = user.Focus();
            return GetDlgCtrlID(focus != nullptr && GetParent(focus) != form ? GetParent(focus)
                                                                             : focus);
        };
        std::vector<int> walked = {focused()};
        while (walked.size() < test::TabWalkFromReadAll().size()) {
            user.PressKey(VK_TAB);
            user.WaitUntilHandled(form);
            walked.push_back(focused());
        }
        EXPECT_EQ(walked, test::TabWalkFromReadAll());
    });
}

// The editable Journal list, opened with F4 and closed again. It shows the entry its field names
// exactly, not the first one that begins with its text ("Standard - Default" for "Standard", which
// Write All would then store); Escape puts back what it held before, a text that names no entry
// included; a choice made in the open list (Down, then Enter) stands.
struct ListCase {
    const char* name;
    int selected;      // CB_SETCURSEL before, or -1
    const char* text;  // typed before, when nothing is selected
    WORD before;       // pressed in the open list before it closes
    WORD close;
    int selectedWhileOpen;
    int selectedAfter;
    const char* textAfter;
};

TEST_F(WinFormBehaviour, OpeningAndClosingAFontListKeepsItsSelection) {
    const ListCase cases[] = {
        {"Standard, then Escape", 1, "", 0, VK_ESCAPE, 1, 1, "Standard"},
        {"a typed beginning, then Escape", -1, "Sta", 0, VK_ESCAPE, CB_ERR, CB_ERR, "Sta"},
        {"Standard, Down and Enter", 1, "", VK_DOWN, VK_RETURN, 1, 2, "Standard Bold"},
    };
    for (const ListCase& c : cases) {
        SCOPED_TRACE(c.name);
        app.RunApp([&c](AppDriver& user) {
            AppDriver::Dismiss(user.WaitForDialog("BRENLOW"));
            const HWND form = user.WaitForForm();
            ASSERT_NE(form, nullptr);
            const HWND list = GetDlgItem(form, IDC_JOURNAL_FONT);
            const auto selected = [list] {
                return static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0));
            };
            const auto open = [list] { return SendMessageA(list, CB_GETDROPPEDSTATE, 0, 0) != 0; };
            if (c.selected >= 0) {
                SendMessageA(list, CB_SETCURSEL, c.selected, 0);
            } else {
                SetWindowTextA(list, c.text);
            }
            PostMessageA(form, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(list), TRUE);
            user.WaitUntilHandled(form);
            user.PressKey(VK_F4);
            ASSERT_TRUE(user.WaitUntil(open)) << "F4 did not open the list";
            user.WaitUntilHandled(form);
            EXPECT_EQ(selected(), c.selectedWhileOpen);
            if (c.before != 0) {
                user.PressKey(c.before);
            }
            user.PressKey(c.close);
            ASSERT_TRUE(user.WaitUntil([&] { return !open(); })) << "the list stayed open";
            user.WaitUntilHandled(form);
            EXPECT_EQ(selected(), c.selectedAfter);
            EXPECT_EQ(test::WindowText(list), c.textAfter);
            EXPECT_TRUE(IsWindowVisible(form)) << "the key closed the form";
        });
    }
}

// The first poll after start-up moves the device state from Unknown to Offline and says so; its
// box comes up while the start-up notice is still open. A later notice, of any event type, finds
// nothing changed and shows nothing.
TEST_F(WinFormBehaviour, ADeviceChangeWhileTheStartUpBoxIsOpenReachesTheDeviceTracking) {
    app.RunApp([](AppDriver& user) {
        const HWND startUp = user.WaitForDialog("BRENLOW");
        ASSERT_NE(startUp, nullptr);
        const HWND form = GetWindow(startUp, GW_OWNER);
        SendNotifyMessageA(form, WM_DEVICECHANGE, DBT_DEVNODES_CHANGED, 0);
        const HWND notice = user.WaitForDialog("WM_DEVICECHANGE");
        ASSERT_NE(notice, nullptr);
        EXPECT_EQ(AppDriver::BoxText(notice), kOfflineNotice);
        EXPECT_EQ(GetWindow(notice, GW_OWNER), form);
        EXPECT_TRUE(IsWindow(startUp));
        AppDriver::Dismiss(notice);
        AppDriver::Dismiss(startUp);
        ASSERT_EQ(user.WaitForForm(), form);
        SendNotifyMessageA(form, WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0);
        user.WaitUntilHandled(form);
        EXPECT_EQ(user.Dialogs().size(), 1u) << "a box came up with nothing changed";
    });
}

}  // namespace
}  // namespace tq
