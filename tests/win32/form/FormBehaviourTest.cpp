// The form as the user meets it: the start-up notice before the form, what the form shows once up,
// the keys and buttons that close it or not, and device-change messages reaching the device
// tracking, also while a modal box is open.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "app/win32/Win32Api.h"
#include "app/win32/Win32WindowOps.h"
#include "commands/FormStartup.h"
#include "framework/ControlIds.h"
#include "link/PrinterLink.h"
#include "protocol/FontTable.h"
#include "tests/win32/form/AppDriver.h"

namespace tq {
namespace {

using test::AppDriver;
using test::WindowText;

// Wine shows no USB printer interface, so the start-up discovery finds none.
const char* const kOfflineNotice = "Usb offline, assuming COM1:";

class WinFormBehaviour : public ::testing::Test {
protected:
    void SetUp() override { ResetPrinterLinkForTest(); }
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
        ResetPrinterLinkForTest();
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
    EXPECT_EQ(CurrentDeviceState(), DeviceState::Offline);
}

}  // namespace
}  // namespace tq
