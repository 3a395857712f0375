// The four buttons, clicked for real, each reaching its command with the simulated printer behind
// the fake platform: the controls end as the headless form's do after the same command, and the
// message boxes come as real wx dialogs, each once, in the headless form's order.
#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/gauge.h>
#include <wx/msgdlg.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include <functional>
#include <string>
#include <vector>

#include "app/wx/ConfigForm.h"
#include "commands/Commands.h"
#include "commands/FormStartup.h"
#include "framework/HeadlessForm.h"
#include "tests/unit/featuremap/FeatureForm.h"
#include "tests/window/form/FormFixture.h"

namespace tq {
namespace {

using Lines = std::vector<std::string>;
using test::ClickOn;

const char* const kComNotice = "BRENLOW: Usb offline, assuming COM1: (i)";

class FormCommandsTest : public test::FormFixture {
protected:
    // A printer whose features differ from the form's empty start in every control.
    void LoadPrinter() {
        const std::pair<int, int> values[] = {
            {76, 12},   {85, 200},  {86, 3},    {87, 4},     {88, 0x55},  {96, 0x1E},
            {97, 0x14}, {98, 0x81}, {99, 0x0A}, {100, 0xA6}, {101, 0x02}, {102, 0x11},
        };
        for (const auto& [id, value] : values) {
            printer.SetFeature(id, value);
        }
    }

    // The same command on a headless form with the feature controls, its boxes recorded as lines.
    struct HeadlessRun {
        std::string controls;
        Lines boxes;
    };
    HeadlessRun RunHeadless(const std::function<void(HeadlessForm&, PrinterLink&)>& command) {
        HeadlessForm headless;
        PrinterLink link;
        test::AddFeatureControls(headless);
        headless.AddEdit(IDC_FEATURE_ID);
        headless.AddEdit(IDC_FEATURE_VALUE);
        headless.AddProgressBar(IDC_PROGRESS);
        RecordingSink recorded;
        ScopedMessageSink installed(&recorded);
        command(headless, link);
        HeadlessRun run{test::DescribeFeatureControls(headless), {}};
        for (const MessageBoxEvent& box : recorded.boxes) {
            run.boxes.push_back(box.caption + ": " + box.text +
                                (box.type == kMbIconInformation ? " (i)" : ""));
        }
        return run;
    }

    // The boxes since the form came up, the form's own entry and start-up notice left out.
    Lines BoxesAfterStartUp() const {
        Lines lines = dialogs.messages();
        return lines.size() > 2 ? Lines(lines.begin() + 2, lines.end()) : Lines{};
    }

    void TypeInto(int id, const std::string& text) {
        ClickOn(Control(id));
        form.Ops().SetDlgItemText(id, "");
        wxUIActionSimulator().Text(text.c_str());
        test::HandleQueuedInput();
    }
};

TEST_F(FormCommandsTest, ReadAllFillsTheFormAsTheHeadlessFormIsFilled) {
    LoadPrinter();
    RunForm([this] { ClickOn(Control(IDC_READ_ALL)); });
    const HeadlessRun expected =
        RunHeadless([](HeadlessForm& f, PrinterLink& link) { OnReadAll(f, link); });
    EXPECT_EQ(test::DescribeFeatureControls(form.Ops()), expected.controls);
    EXPECT_EQ(Text(IDC_CLAMP_DELAY), "12");  // the picture above is not all empty
    auto& bar = dynamic_cast<wxGauge&>(Control(IDC_PROGRESS));
    EXPECT_EQ(bar.GetRange(), 120);
    EXPECT_EQ(bar.GetValue(), 120);
    EXPECT_EQ(dialogs.messages(), (Lines{"form", kComNotice}));
}

// What the user changes by hand goes to the printer: a typed number, a clicked check box.
TEST_F(FormCommandsTest, WriteAllSendsWhatTheUserChanged) {
    LoadPrinter();
    RunForm([this] {
        ClickOn(Control(IDC_READ_ALL));
        TypeInto(IDC_CLAMP_DELAY, "25");
        ASSERT_EQ(Text(IDC_CLAMP_DELAY), "25");
        const bool wasChecked = dynamic_cast<wxCheckBox&>(Control(IDC_TEXT_COMMANDS)).GetValue();
        ClickOn(Control(IDC_TEXT_COMMANDS));
        ASSERT_NE(dynamic_cast<wxCheckBox&>(Control(IDC_TEXT_COMMANDS)).GetValue(), wasChecked);
        ClickOn(Control(IDC_WRITE_ALL));
    });
    EXPECT_EQ(printer.Feature(76), 25);
    // Reading the printer back gives the form as the user left it.
    const std::string left = test::DescribeFeatureControls(form.Ops());
    EXPECT_EQ(RunHeadless([](HeadlessForm& f, PrinterLink& link) { OnReadAll(f, link); }).controls,
              left);
    EXPECT_EQ(dialogs.messages(), (Lines{"form", kComNotice}));
}

// A number that Write All cannot send as typed stops it: one box names the field and its range,
// nothing reaches the printer, and once the box is closed the focus is in the field, its text
// selected to be typed over.
TEST_F(FormCommandsTest, WriteAllRefusesATypedNumberItCannotWrite) {
    LoadPrinter();
    wxDialog* refusal = nullptr;
    dialogs.answer = [&refusal](wxDialog& dialog) {
        const auto* box = dynamic_cast<wxMessageDialog*>(&dialog);
        if (box == nullptr || box->GetCaption() == "Caption") {
            refusal = box != nullptr ? &dialog : refusal;
            return static_cast<int>(wxID_NONE);  // the form, and the refusal, shown for real
        }
        return static_cast<int>(wxID_OK);
    };
    RunForm([&] {
        ClickOn(Control(IDC_READ_ALL));
        TypeInto(IDC_CLAMP_DELAY, "41");
        ClickOn(Control(IDC_TEXT_COMMANDS));  // a change that must not go out either
        {
            // The box runs a loop of its own inside the click: it is closed from a timer, once
            // it is on the screen.
            wxTimer closer;
            closer.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
                if (refusal != nullptr && test::NativeBoxShown(*refusal)) {
                    closer.Stop();
                    test::DismissNativeBox(*refusal);
                }
            });
            closer.Start(10);
            test::Watchdog watchdog(test::kPatienceMs, [&] {
                if (refusal != nullptr) {
                    test::DismissNativeBox(*refusal);
                }
            });
            ClickOn(Control(IDC_WRITE_ALL));
        }
        auto& field = dynamic_cast<wxTextCtrl&>(Control(IDC_CLAMP_DELAY));
        EXPECT_TRUE(test::WaitUntil([&] { return wxWindow::FindFocus() == &field; }));
        long from = 0;
        long to = 0;
        field.GetSelection(&from, &to);
        EXPECT_EQ(from, 0);
        EXPECT_EQ(to, 2);
    });
    EXPECT_EQ(BoxesAfterStartUp(), Lines{"Caption: ClampDelay takes a whole number from 0 to 40"});
    EXPECT_EQ(printer.Feature(76), 12);
    EXPECT_EQ(printer.Feature(102), 0x11);
}

TEST_F(FormCommandsTest, GetShowsTheValueOrRefusesTheNumberInAnAppBox) {
    printer.SetFeature(0x58, 5);
    RunForm([this] {
        TypeInto(IDC_FEATURE_ID, "88");
        ClickOn(Control(IDC_GET));
        EXPECT_EQ(Text(IDC_FEATURE_VALUE), "05");
        TypeInto(IDC_FEATURE_ID, "20");
        ClickOn(Control(IDC_GET));
    });
    EXPECT_EQ(BoxesAfterStartUp(), Lines{"tq9000_config_app: Enter a value between 30H and 6FH"});
    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[2].owner, &form);
    EXPECT_EQ(dialogs.shown[2].style & wxICON_MASK, wxICON_NONE);
}

TEST_F(FormCommandsTest, StatusTestPrintPrintsAndShowsTheStatusByte) {
    RunForm([this] { ClickOn(Control(IDC_STATUS_TEST_PRINT)); });
    EXPECT_EQ(printer.TestPrints(), 1);
    EXPECT_EQ(BoxesAfterStartUp(), Lines{"Printer Status Byte: <00>"});
    ASSERT_EQ(dialogs.shown.size(), 3u);
    EXPECT_EQ(dialogs.shown[2].owner, &form);
    EXPECT_EQ(dialogs.shown[2].style & wxICON_MASK, wxICON_NONE);
    EXPECT_FALSE(printer.ComOpen());
}

// With no printer at all every button reports through the same boxes, in the same order, as the
// headless form: the link's own box captioned with the application's title, then the command's.
TEST_F(FormCommandsTest, WithoutAPrinterEachButtonShowsTheHeadlessBoxesOnce) {
    printer.RemoveCom();
    const std::pair<int, std::function<CommandResult(WindowOps&, PrinterLink&)>> buttons[] = {
        {IDC_READ_ALL, OnReadAll},
        {IDC_WRITE_ALL, OnWriteAll},
        {IDC_GET, OnGetFeature},
        {IDC_STATUS_TEST_PRINT, OnStatusTestPrint},
    };
    for (const auto& [button, command] : buttons) {
        SCOPED_TRACE("button " + std::to_string(button));
        dialogs.shown.clear();
        form.Ops().SetDlgItemText(IDC_FEATURE_ID, "88");
        wxCommandEvent click(wxEVT_BUTTON, button);
        form.GetEventHandler()->ProcessEvent(click);
        const HeadlessRun expected = RunHeadless([&](HeadlessForm& f, PrinterLink& link) {
            f.SetDlgItemText(IDC_FEATURE_ID, "88");
            command(f, link);
        });
        EXPECT_EQ(dialogs.messages(), expected.boxes);
        EXPECT_EQ(dialogs.messages().size(), 2u);
    }
}

}  // namespace
}  // namespace tq
