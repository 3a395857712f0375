// The Win32 form over USB under Wine: the start-up discovery, the device-change notices as the
// system sends them (WM_DEVICECHANGE with DBT_DEVICEARRIVAL or DBT_DEVICEREMOVECOMPLETE and the
// printer's interface, DBT_DEVNODES_CHANGED with nothing), also inside an open message box, and
// the commands that follow, against mock USB printers (MockUsbPrinter.h) backed by tq9000-sim
// while COM1: leads to a simulator of its own. The cases of the Linux form's hot-plug tests
// (tests/window/form/DeviceNoticeTest.cpp); which printer heard a command is seen at the
// simulators.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/win32/Win32Api.h"
#include "framework/ControlIds.h"
#include "link/PrinterLink.h"
#include "tests/win32/form/AppDriver.h"
#include "tests/win32/form/PrinterSession.h"
#include "tests/win32/usb/MockUsbPrinter.h"

namespace tq::test {
namespace {

using Args = std::vector<std::string>;

const UsbPrinterIdentity kFirst{"1234", "5678", "SN001", "Port_#0001.Hub_#0001"};
const UsbPrinterIdentity kSecond{"1234", "5678", "SN002", "Port_#0001.Hub_#0001"};
const char* const kOnline = "Device Online";
const char* const kOffline = "Usb offline, assuming COM1:";
constexpr DWORD kPatienceMs = static_cast<DWORD>(kPatience.count());

// A simulator behind a mock USB printer, plugged in.
struct UsbPrinter {
    UsbPrinter(const UsbPrinterIdentity& identity, const Args& simulatorOptions)
        : session(simulatorOptions, PrinterSession::Line::Own), usb(identity, session.LinePath()) {
        EXPECT_TRUE(session.Ready());
        EXPECT_TRUE(usb.Plug()) << usb.Error();
    }
    PrinterSession session;
    MockUsbPrinter usb;
};

// The printed log of a session, once it has ended.
std::string Printed(PrinterSession& session) {
    const PrinterSession::Outcome outcome = session.End();
    EXPECT_TRUE(outcome.ended) << outcome.log;
    return outcome.printed;
}

class WinFormOverUsb : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string unavailable = PrinterSessionsUnavailable();
        if (!unavailable.empty()) {
            GTEST_SKIP() << unavailable;
        }
        MockUsbPrinter::RemoveKeys(kFirst);
        MockUsbPrinter::RemoveKeys(kSecond);
    }
    // Runs the form: the start-up notice read and dismissed, then `script` on the shown form.
    void RunForm(const std::function<void(AppDriver&, HWND form)>& script) {
        app.RunApp([this, &script](AppDriver& user) {
            const HWND notice = user.WaitForDialog("BRENLOW");
            ASSERT_NE(notice, nullptr);
            startupNotice = AppDriver::BoxText(notice);
            AppDriver::Dismiss(notice);
            const HWND form = user.WaitForForm();
            ASSERT_NE(form, nullptr);
            script(user, form);
        });
    }

    // "Get" for feature 88: the value the form shows.
    static std::string Get(AppDriver& user, HWND form) {
        SetDlgItemTextA(form, IDC_FEATURE_ID, "88");
        AppDriver::Click(form, IDC_GET);
        user.WaitUntilHandled(form);
        return WindowText(GetDlgItem(form, IDC_FEATURE_VALUE));
    }

    // The device-change box now open, or nullptr.
    static HWND NoticeBox(AppDriver& user) {
        for (HWND dialog : user.Dialogs()) {
            if (IsWindowVisible(dialog) && WindowText(dialog) == "WM_DEVICECHANGE") {
                return dialog;
            }
        }
        return nullptr;
    }

    // Sends a notice and waits until the form has handled it: the text of the box it showed, which
    // is dismissed, or "" when it showed none.
    static std::string Notify(AppDriver& user, HWND form, WPARAM event,
                              const std::string& name = "") {
        DeviceNotice notice(form, event, name);
        HWND box = nullptr;
        EXPECT_TRUE(user.WaitUntil([&] {
            box = NoticeBox(user);
            return box != nullptr || notice.Handled();
        }));
        if (box == nullptr) {
            return "";
        }
        const std::string text = AppDriver::BoxText(box);
        AppDriver::Dismiss(box);
        EXPECT_TRUE(notice.Handled(kPatienceMs));
        return text;
    }

    // "Status / Test Print", and its box left open while `change` happens and its notice is sent:
    // the notice's box must come on top, owned by the form. Both are dismissed.
    static std::string NoticeInsideTheStatusBox(AppDriver& user, HWND form, WPARAM event,
                                                const std::string& name,
                                                const std::function<void()>& change) {
        AppDriver::Click(form, IDC_STATUS_TEST_PRINT);
        const HWND status = user.WaitForDialog("Printer Status Byte");
        EXPECT_NE(status, nullptr);
        change();
        DeviceNotice notice(form, event, name);
        HWND box = nullptr;
        EXPECT_TRUE(user.WaitUntil([&] { return (box = NoticeBox(user)) != nullptr; }));
        std::string text;
        if (box != nullptr) {
            text = AppDriver::BoxText(box);
            EXPECT_TRUE(IsWindowVisible(status));
            EXPECT_EQ(GetWindow(box, GW_OWNER), form);
            AppDriver::Dismiss(box);
        }
        EXPECT_TRUE(notice.Handled(kPatienceMs));
        AppDriver::Dismiss(status);
        user.WaitUntilHandled(form);
        return text;
    }

    AppDriver app;
    std::string startupNotice;
};

TEST_F(WinFormOverUsb, APrinterPresentAtStartTakesTheCommands) {
    PrinterSession com1({"--set", "0x58=0x11"});
    UsbPrinter printer(kFirst, {"--set", "0x58=0x5A", "--status", "0x33"});
    RunForm([](AppDriver& user, HWND form) {
        EXPECT_EQ(Get(user, form), "5A");
        AppDriver::Click(form, IDC_STATUS_TEST_PRINT);
        const HWND box = user.WaitForDialog("Printer Status Byte");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(AppDriver::BoxText(box), "<33>");
        AppDriver::Dismiss(box);
    });
    EXPECT_EQ(startupNotice, kOnline);
    printer.usb.Unplug();
    EXPECT_EQ(Printed(printer.session), "testing\n\n");
    EXPECT_EQ(Printed(com1), "");
}

// The start-up discovery leaves the state unknown, so the first notice with the printer still
// there announces it again; a notice that changes nothing shows nothing; an unplug, told by two
// notices as the system tells it, is announced once, and Get then takes COM1:.
TEST_F(WinFormOverUsb, NoticesAnnounceEachChangeOnceAndCommandsFollow) {
    PrinterSession com1({"--set", "0x58=0x11"});
    UsbPrinter printer(kFirst, {"--set", "0x58=0x5A"});
    const std::string name = printer.usb.NoticeName();
    RunForm([&](AppDriver& user, HWND form) {
        EXPECT_EQ(Notify(user, form, DBT_DEVICEARRIVAL, name), kOnline);
        EXPECT_EQ(Notify(user, form, DBT_DEVNODES_CHANGED), "");
        EXPECT_EQ(Get(user, form), "5A");

        printer.usb.Unplug();
        DeviceNotice removal(form, DBT_DEVICEREMOVECOMPLETE, name);
        HWND box = nullptr;
        ASSERT_TRUE(user.WaitUntil([&] { return (box = NoticeBox(user)) != nullptr; }));
        EXPECT_EQ(AppDriver::BoxText(box), kOffline);
        DeviceNotice nodes(form, DBT_DEVNODES_CHANGED);
        EXPECT_TRUE(nodes.Handled(kPatienceMs));  // inside the box's loop, with no box
        EXPECT_EQ(user.Dialogs().size(), 2u);
        AppDriver::Dismiss(box);
        EXPECT_TRUE(removal.Handled(kPatienceMs));

        EXPECT_EQ(Get(user, form), "11");
        EXPECT_EQ(user.Dialogs().size(), 1u);
    });
    EXPECT_EQ(startupNotice, kOnline);
}

// The printer comes back as another interface (another port, another serial number): announced,
// and the next command goes to it.
TEST_F(WinFormOverUsb, APrinterPluggedBackAsAnotherInterfaceTakesTheCommands) {
    PrinterSession com1({"--set", "0x58=0x11"});
    auto first = std::make_unique<UsbPrinter>(kFirst, Args{"--set", "0x58=0x5A"});
    UsbPrinter second(kSecond, {"--set", "0x58=0x22"});
    second.usb.Unplug();
    RunForm([&](AppDriver& user, HWND form) {
        EXPECT_EQ(Get(user, form), "5A");
        first->usb.Unplug();
        EXPECT_EQ(Notify(user, form, DBT_DEVICEREMOVECOMPLETE, first->usb.NoticeName()), kOffline);
        ASSERT_TRUE(second.usb.Plug()) << second.usb.Error();
        EXPECT_EQ(Notify(user, form, DBT_DEVICEARRIVAL, second.usb.NoticeName()), kOnline);
        EXPECT_EQ(Get(user, form), "22");
        EXPECT_STREQ(user.Link().UsbDevicePath(), second.usb.DevicePath().c_str());
    });
}

// A notice that comes while the status box of a command is open: the printer plugged in during a
// command on COM1:, or unplugged during one over USB. The notice's box comes on top; the command
// finishes on the link it began with, and the next one goes where the notice said.
TEST_F(WinFormOverUsb, ANoticeInsideAnOpenMessageBoxLeavesTheCommandsLink) {
    PrinterSession com1({"--set", "0x58=0x11"});
    UsbPrinter printer(kFirst, {"--set", "0x58=0x5A"});
    printer.usb.Unplug();
    RunForm([&](AppDriver& user, HWND form) {
        EXPECT_EQ(NoticeInsideTheStatusBox(user, form, DBT_DEVICEARRIVAL, printer.usb.NoticeName(),
                                           [&] { EXPECT_TRUE(printer.usb.Plug()); }),
                  kOnline);
        EXPECT_FALSE(user.Link().ComOpened());  // closed by the command as it ended
        EXPECT_EQ(NoticeInsideTheStatusBox(user, form, DBT_DEVICEREMOVECOMPLETE,
                                           printer.usb.NoticeName(), [&] { printer.usb.Unplug(); }),
                  kOffline);
        EXPECT_EQ(user.Link().UsbHandle(),
                  INVALID_HANDLE_VALUE);  // let go; closed as the command ended
        EXPECT_EQ(Get(user, form), "11");
    });
    EXPECT_EQ(startupNotice, kOffline);
    EXPECT_EQ(Printed(printer.session), "testing\n\n");
    EXPECT_EQ(Printed(com1), "testing\n\n");
}

}  // namespace
}  // namespace tq::test
