// The main form shown for real: its start-up, the keys and buttons that end it or must not, the
// window menu and the About box.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/combobox.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <string>
#include <vector>

#include "app/wx/AboutBox.h"
#include "app/wx/ConfigForm.h"
#include "commands/FormStartup.h"
#include "tests/window/ReadingOrder.h"
#include "tests/window/form/FormFixture.h"

namespace tq {
namespace {

using Lines = std::vector<std::string>;
using test::ClickOn;
using test::PressKey;
using test::WaitUntil;

class FormStartUpTest : public test::FormFixture {};

// The notice comes before the form appears, as the dialog's initialisation runs before the window
// is shown. (wx gives a box no owner while the form is still hidden; the form owns every later
// one.)
TEST_F(FormStartUpTest, AnnouncesCom1BeforeTheFormAppears) {
    bool formShownAtNotice = true;
    dialogs.answer = [&](wxDialog& dialog) {
        if (&dialog == &form) {
            return static_cast<int>(wxID_NONE);
        }
        formShownAtNotice = form.IsShown();
        return static_cast<int>(wxID_OK);
    };
    RunForm([] {});
    EXPECT_EQ(dialogs.messages(), (Lines{"form", "BRENLOW: Usb offline, assuming COM1: (i)"}));
    ASSERT_EQ(dialogs.shown.size(), 2u);
    EXPECT_EQ(dialogs.shown[1].style & (wxOK | wxCANCEL | wxYES_NO), wxOK);
    EXPECT_FALSE(formShownAtNotice);
}

TEST_F(FormStartUpTest, AnnouncesTheUsbPrinterAndFillsTheForm) {
    printer.PlugInUsb();
    RunForm([this] {
        for (int id : {IDC_JOURNAL_FONT, IDC_VALIDATION_FONT}) {
            auto& list = dynamic_cast<wxComboBox&>(Control(id));
            ASSERT_EQ(list.GetCount(), 10u);
            EXPECT_EQ(list.GetString(0), "Standard - Default");
            EXPECT_EQ(list.GetString(9), "Large Italic");  // in table order: not sorted
            EXPECT_EQ(list.GetSelection(), wxNOT_FOUND);
        }
        EXPECT_EQ(Text(IDC_VERSION), kVersionText);
        EXPECT_EQ(form.GetTitle(), "tq9000_config_app");
        EXPECT_TRUE(form.GetIcons().GetIcon(32).IsOk());
        EXPECT_TRUE(form.GetIcons().GetIcon(16).IsOk());
    });
    EXPECT_EQ(dialogs.messages(), (Lines{"form", "BRENLOW: Device Online (i)"}));
    EXPECT_FALSE(printer.DeviceOnline(
        form.Link()));  // start-up discovery leaves the state to the first poll
}

class FormKeysTest : public test::FormFixture {};

// Enter goes nowhere from an edit, an editable combo box or a check box; Escape ends the form.
TEST_F(FormKeysTest, EnterLeavesTheFormOpenAndEscapeClosesIt) {
    RunForm([this] {
        for (int id : {IDC_CLAMP_DELAY, IDC_JOURNAL_FONT, IDC_HEX_DUMP_MODE}) {
            ClickOn(Control(id));
            ASSERT_TRUE(WaitUntil([&] { return wxWindow::FindFocus() != nullptr; })) << id;
            const test::ButtonActivations activations(form);
            PressKey(WXK_RETURN);
            EXPECT_EQ(activations.count(), 0) << "Enter reached a button from control " << id;
            ASSERT_TRUE(form.IsModal()) << "Enter closed the form from control " << id;
        }
        PressKey(WXK_ESCAPE);
        EXPECT_TRUE(WaitUntil([this] { return !form.IsModal(); })) << "Escape left the form open";
    });
}

// GTK would press a default button on Enter and end the form; the form keeps Enter to itself even
// when a button has become the default.
TEST_F(FormKeysTest, EnterDoesNotReachADefaultButton) {
    dynamic_cast<wxButton&>(Control(kIdCancel)).SetDefault();
    RunForm([this] {
        ClickOn(Control(IDC_SETUP_VERSION));
        const test::ButtonActivations activations(form);
        PressKey(WXK_RETURN);
        EXPECT_EQ(activations.count(), 0) << "Enter reached the default button";
        EXPECT_TRUE(form.IsModal()) << "Enter pressed the default button";
    });
}

TEST_F(FormKeysTest, EnterOnAFocusedButtonPressesIt) {
    RunForm([this] {
        ClickOn(Control(IDC_CLAMP_DELAY));
        Control(kIdCancel).SetFocus();
        ASSERT_TRUE(WaitUntil([this] { return wxWindow::FindFocus() == &Control(kIdCancel); }));
        PressKey(WXK_RETURN);
        EXPECT_TRUE(WaitUntil([this] { return !form.IsModal(); })) << "Enter did not press EXIT";
    });
}

// Opening the editable font list and closing it with Escape keeps its selection, also where its
// text ("Standard") begins the entry above ("Standard - Default"), and leaves the form open.
TEST_F(FormKeysTest, OpeningAndClosingAFontListKeepsItsSelection) {
    auto& list = dynamic_cast<wxComboBox&>(Control(IDC_JOURNAL_FONT));
    bool open = false;
    const auto opened = [&](wxCommandEvent&) { open = true; };
    const auto closed = [&](wxCommandEvent&) { open = false; };
    list.Bind(wxEVT_COMBOBOX_DROPDOWN, opened);
    list.Bind(wxEVT_COMBOBOX_CLOSEUP, closed);
    RunForm([&] {
        form.Ops().SetCurSel(IDC_JOURNAL_FONT, 1);  // as Read All of code 0x1E leaves it
        ClickOn(list);
        wxUIActionSimulator().Char(WXK_DOWN, wxMOD_ALT);
        ASSERT_TRUE(WaitUntil([&] { return open; })) << "Alt+Down did not open the list";
        EXPECT_EQ(list.GetSelection(), 1) << "while open";
        PressKey(WXK_ESCAPE);
        ASSERT_TRUE(WaitUntil([&] { return !open; })) << "Escape left the list open";
        EXPECT_EQ(list.GetSelection(), 1);
        EXPECT_EQ(Text(IDC_JOURNAL_FONT), "Standard");
        EXPECT_TRUE(form.IsModal()) << "Escape closed the form";
    });
    list.Unbind(wxEVT_COMBOBOX_DROPDOWN, opened);
    list.Unbind(wxEVT_COMBOBOX_CLOSEUP, closed);
}

// The form opens with the focus on Read All, and Tab takes it to every field and button in the
// order the form is read, round to Read All again. The keys reach the form as the pointer rests on
// it (no window manager gives it the focus).
TEST_F(FormKeysTest, TabWalksTheFormInReadingOrderFromReadAll) {
    RunForm([this] {
        wxUIActionSimulator().MouseMove(form.GetScreenPosition() + wxPoint(2, 2));
        test::HandleQueuedInput();
        const auto focused = [] {
            const wxWindow* focus = wxWindow::FindFocus();
            return focus != nullptr ? focus->GetId() : 0;
        };
        ASSERT_TRUE(WaitUntil([&] { return focused() == IDC_READ_ALL; }))
            << "the form opened with the focus on " << focused();
        std::vector<int> walked = {focused()};
        while (walked.size() < test::TabWalkFromReadAll().size()) {
            PressKey(WXK_TAB);
            walked.push_back(focused());
        }
        EXPECT_EQ(walked, test::TabWalkFromReadAll());
    });
}

TEST_F(FormKeysTest, ExitButtonClosesTheForm) {
    RunForm([this] {
        ClickOn(Control(kIdCancel));
        EXPECT_TRUE(WaitUntil([this] { return !form.IsModal(); }));
    });
}

TEST_F(FormKeysTest, CloseBoxClosesTheForm) {
    RunForm([this] {
        test::CloseLikeWindowManager(form);
        EXPECT_TRUE(WaitUntil([this] { return !form.IsModal(); }));
    });
}

TEST_F(FormKeysTest, WindowMenuCloseClosesTheForm) {
    RunForm([this] {
        const int close = form.WindowMenu().FindItem("Close");
        ASSERT_NE(close, wxNOT_FOUND);
        wxCommandEvent entry(wxEVT_MENU, close);
        form.GetEventHandler()->ProcessEvent(entry);
        EXPECT_TRUE(WaitUntil([this] { return !form.IsModal(); }));
    });
}

class AboutBoxTest : public test::FormFixture {};

TEST_F(AboutBoxTest, WindowMenuHoldsTheAboutEntry) {
    form.InitDialog();
    wxMenu& menu = form.WindowMenu();
    const int about = menu.FindItem("About tq9000_config_app...");
    ASSERT_EQ(about, IDM_ABOUTBOX);
    EXPECT_EQ(menu.FindItem(about)->GetItemLabel(), "&About tq9000_config_app...");
    const std::size_t position = menu.GetMenuItemCount() - 1;
    EXPECT_EQ(menu.FindItemByPosition(position)->GetId(), IDM_ABOUTBOX);
    EXPECT_TRUE(menu.FindItemByPosition(position - 1)->IsSeparator());
}

// The menu entry opens the About box, with its texts, icon and "OK" (id 1) as the default button.
TEST_F(AboutBoxTest, MenuEntryOpensTheAboutBox) {
    Lines texts;
    bool iconShown = false;
    int okId = 0;
    dialogs.answer = [&](wxDialog& box) {
        for (wxWindow* child : box.GetChildren()) {
            if (auto* label = dynamic_cast<wxStaticText*>(child)) {
                texts.push_back(label->GetLabel().utf8_string());
            } else if (auto* picture = dynamic_cast<wxStaticBitmap*>(child)) {
                iconShown = picture->GetBitmap().GetWidth() == 32;
            } else if (auto* button = dynamic_cast<wxButton*>(child)) {
                okId = box.GetDefaultItem() == button ? button->GetId() : -1;
            }
        }
        return kIdOk;
    };
    wxCommandEvent entry(wxEVT_MENU, IDM_ABOUTBOX);
    form.GetEventHandler()->ProcessEvent(entry);
    EXPECT_EQ(dialogs.messages(), Lines{"about"});
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].caption, "About tq9000_config_app");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "tq9000_config_app Version 1.0");
    EXPECT_EQ(texts[1].find("BRENLOW"), std::string::npos);
    EXPECT_TRUE(iconShown);
    EXPECT_EQ(okId, kIdOk);
}

// A right click on the form opens its window menu; the last entry, chosen from the keyboard, opens
// the About box.
TEST_F(AboutBoxTest, RightClickOpensTheWindowMenuWhoseAboutEntryOpensTheAboutBox) {
    dialogs.answer = [this](wxDialog& dialog) {
        return &dialog == &form ? static_cast<int>(wxID_NONE) : static_cast<int>(kIdOk);
    };
    RunForm([this] {
        // The menu runs a loop of its own until it closes, inside the click: the keys come from a
        // timer, as soon as the menu has opened.
        bool menuOpen = false;
        const auto onMenuOpen = [&](wxMenuEvent& event) {
            menuOpen = true;
            event.Skip();
        };
        form.Bind(wxEVT_MENU_OPEN, onMenuOpen);
        wxTimer chooser;
        chooser.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
            if (menuOpen) {
                chooser.Stop();
                wxUIActionSimulator keys;
                keys.Char(WXK_UP);  // from no selection, Up selects the last entry
                keys.Char(WXK_RETURN);
            }
        });
        chooser.Start(10);
        test::Watchdog watchdog(test::kPatienceMs, [] { wxUIActionSimulator().Char(WXK_ESCAPE); });
        wxUIActionSimulator mouse;
        const wxRect group = Control(IDC_READ_ALL).GetScreenRect();
        mouse.MouseMove(group.GetPosition() - wxPoint(0, 20));  // the form's own background
        mouse.MouseClick(wxMOUSE_BTN_RIGHT);
        EXPECT_TRUE(WaitUntil([this] { return dialogs.shown.size() == 3; }));
        EXPECT_TRUE(form.Unbind(wxEVT_MENU_OPEN, onMenuOpen));
    });
    EXPECT_EQ(dialogs.messages(),
              (Lines{"form", "BRENLOW: Usb offline, assuming COM1: (i)", "about"}));
}

// OK, Escape and the close box each end the About box; the form stays.
TEST_F(AboutBoxTest, ClosesWithOkEscapeAndTheCloseBox) {
    const std::vector<std::function<void(CAboutBox&)>> ways = {
        [](CAboutBox& box) { ClickOn(*box.FindWindow(kIdOk)); },
        [](CAboutBox& box) {
            ClickOn(box);
            PressKey(WXK_ESCAPE);
        },
        [](CAboutBox& box) { test::CloseLikeWindowManager(box); },
    };
    for (std::size_t way = 0; way < ways.size(); ++way) {
        CAboutBox box;
        ASSERT_TRUE(box.Loaded());
        dialogs.answer = [](wxDialog&) { return static_cast<int>(wxID_NONE); };
        const int result = test::RunModalWith(box, [&] {
            ASSERT_TRUE(test::WaitUntilReadyForInput(box)) << "way " << way;
            ways[way](box);
            EXPECT_TRUE(WaitUntil([&] { return !box.IsModal(); })) << "way " << way;
        });
        EXPECT_EQ(result, kIdOk) << "way " << way;
    }
}

}  // namespace
}  // namespace tq
