// The four buttons, clicked on the real form under Wine, each reaching its command and, through
// COM1:, the Linux tq9000-sim: what the form shows is what the headless form shows after the same
// command against the same printer, and what the form sent is checked at the simulator.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "app/win32/Win32Api.h"
#include "app/win32/Win32WindowOps.h"
#include "commands/Commands.h"
#include "framework/ControlIds.h"
#include "framework/HeadlessForm.h"
#include "framework/MessageBoxes.h"
#include "link/PrinterLink.h"
#include "protocol/FeatureMap.h"
#include "tests/unit/featuremap/FeatureForm.h"
#include "tests/win32/form/AppDriver.h"
#include "tests/win32/form/PrinterSession.h"

namespace tq {
namespace {

using test::AppDriver;
using test::PrinterSession;

// A printer whose features differ from the form's empty start in every control.
const std::vector<std::string> kLoadedPrinter = {
    "--set", "76=12",   "--set", "85=200",   "--set", "86=3",     "--set", "87=4",
    "--set", "88=0x55", "--set", "96=0x1E",  "--set", "97=0x14",  "--set", "98=0x81",
    "--set", "99=0x0A", "--set", "100=0xA6", "--set", "101=0x02", "--set", "102=0x11",
};

class WinFormCommands : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string unavailable = test::PrinterSessionsUnavailable();
        if (!unavailable.empty()) {
            GTEST_SKIP() << unavailable;
        }
    }

    // Runs the form: the start-up notice dismissed, then `script` on the shown form.
    void RunForm(const std::function<void(AppDriver&, HWND form)>& script) {
        app.RunApp([&script](AppDriver& user) {
            AppDriver::Dismiss(user.WaitForDialog("BRENLOW"));
            const HWND form = user.WaitForForm();
            ASSERT_NE(form, nullptr);
            script(user, form);
        });
    }

    // Clicks a button and waits until its command has ended or shows a box.
    static void ClickAndWait(AppDriver& user, HWND form, int button) {
        AppDriver::Click(form, button);
        user.WaitUntilHandled(form);
    }

    static std::string Picture(HWND form) {
        Win32WindowOps controls;
        controls.Attach(form);
        return test::DescribeFeatureControls(controls);
    }

    AppDriver app;
};

TEST_F(WinFormCommands, ReadAllFillsTheFormAsTheHeadlessFormIsFilled) {
    PrinterSession printer(kLoadedPrinter);
    ASSERT_TRUE(printer.Ready());
    std::string shown;
    RunForm([&shown](AppDriver& user, HWND form) {
        ClickAndWait(user, form, IDC_READ_ALL);
        shown = Picture(form);
        EXPECT_EQ(SendDlgItemMessageA(form, IDC_PROGRESS, PBM_GETPOS, 0, 0), 120);
        EXPECT_EQ(user.Dialogs().size(), 1u) << "Read All showed a box";
    });
    HeadlessForm headless;
    PrinterLink link;
    test::AddFeatureControls(headless);
    RecordingSink boxes;
    {
        ScopedMessageSink installed(&boxes);
        OnReadAll(headless, link);
    }
    EXPECT_EQ(shown, test::DescribeFeatureControls(headless));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_NE(shown.find("ClampDelay='12'"), std::string::npos)
        << shown;  // not empty on both sides
}

// Where a check box's flag lives among the features.
std::pair<int, int> FlagOf(int checkBox) {
    for (const FeatureBinding& feature : FeatureMap) {
        for (const FlagBinding& flag : feature.flags) {
            if (flag.control == checkBox) {
                return {feature.id, flag.mask};
            }
        }
    }
    return {-1, 0};
}

TEST_F(WinFormCommands, WriteAllSendsWhatTheUserChanged) {
    PrinterSession printer(kLoadedPrinter);
    ASSERT_TRUE(printer.Ready());
    RunForm([](AppDriver& user, HWND form) {
        ClickAndWait(user, form, IDC_READ_ALL);
        SetDlgItemTextA(form, IDC_CLAMP_DELAY, "25");
        ClickAndWait(user, form, IDC_TEXT_COMMANDS);
        ClickAndWait(user, form, IDC_WRITE_ALL);
        EXPECT_EQ(user.Dialogs().size(), 1u) << "Write All showed a box";
    });
    const PrinterSession::Outcome outcome = printer.End();
    ASSERT_TRUE(outcome.ended) << outcome.log;
    EXPECT_EQ(outcome.features.at(76), 25);
    const auto [feature, mask] = FlagOf(IDC_TEXT_COMMANDS);
    EXPECT_EQ(outcome.features.at(feature), 0x11 ^ mask);
}

// A number that Write All cannot send as typed stops it: one box names the field and its range,
// nothing reaches the printer, and once the box is closed the focus is in the field, its text
// selected to be typed over.
TEST_F(WinFormCommands, WriteAllRefusesATypedNumberItCannotWrite) {
    PrinterSession printer(kLoadedPrinter);
    ASSERT_TRUE(printer.Ready());
    RunForm([](AppDriver& user, HWND form) {
        ClickAndWait(user, form, IDC_READ_ALL);
        SetDlgItemTextA(form, IDC_LINES_TO_SKIP, "x");
        ClickAndWait(user, form, IDC_TEXT_COMMANDS);  // a change that must not go out either
        AppDriver::Click(form, IDC_WRITE_ALL);
        const HWND box = user.WaitForDialog("Caption");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(AppDriver::BoxText(box), "LinesToSkip takes a whole number from 0 to 8");
        AppDriver::Dismiss(box);
        const HWND field = GetDlgItem(form, IDC_LINES_TO_SKIP);
        EXPECT_TRUE(user.WaitUntil([&] { return user.Focus() == field; }));
        const LRESULT selection = SendMessageA(field, EM_GETSEL, 0, 0);
        EXPECT_EQ(LOWORD(selection), 0);
        EXPECT_EQ(HIWORD(selection), 1);
        EXPECT_EQ(user.Dialogs().size(), 1u) << "another box came up";
    });
    const PrinterSession::Outcome outcome = printer.End();
    ASSERT_TRUE(outcome.ended) << outcome.log;
    EXPECT_EQ(outcome.features.at(100), 0xA6);
    EXPECT_EQ(outcome.features.at(102), 0x11);
}

TEST_F(WinFormCommands, GetShowsTheFeatureValue) {
    PrinterSession printer({"--set", "0x58=5"});
    ASSERT_TRUE(printer.Ready());
    RunForm([](AppDriver& user, HWND form) {
        SetDlgItemTextA(form, IDC_FEATURE_ID, "88");
        ClickAndWait(user, form, IDC_GET);
        EXPECT_EQ(test::WindowText(GetDlgItem(form, IDC_FEATURE_VALUE)), "05");
    });
}

TEST_F(WinFormCommands, StatusTestPrintPrintsAtThePrinterAndShowsTheStatusByte) {
    PrinterSession printer({"--status", "0x12"});
    ASSERT_TRUE(printer.Ready());
    RunForm([](AppDriver& user, HWND form) {
        AppDriver::Click(form, IDC_STATUS_TEST_PRINT);
        const HWND box = user.WaitForDialog("Printer Status Byte");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(AppDriver::BoxText(box), "<12>");
        EXPECT_EQ(GetWindow(box, GW_OWNER), form);
        AppDriver::Dismiss(box);
    });
    const PrinterSession::Outcome outcome = printer.End();
    ASSERT_TRUE(outcome.ended) << outcome.log;
    EXPECT_EQ(outcome.printed, "testing\n\n");
}

}  // namespace
}  // namespace tq
