// The window operations played on the real controls: what the command code relies on from each
// Win32 control message, including the edges (unknown ids, no selection, a bar stepped past its
// end) where wx's own behaviour differs from the Win32 control's.
#include "app/wx/WxWindowOps.h"

#include <gtest/gtest.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/gauge.h>

#include "tests/window/form/FormFixture.h"

namespace tq {
namespace {

class WxWindowOpsTest : public test::FormFixture {
protected:
    WindowOps& ops = form.Ops();
    wxGauge& Bar() { return dynamic_cast<wxGauge&>(Control(IDC_PROGRESS)); }
};

TEST_F(WxWindowOpsTest, TextOfEditsLabelsAndUnknownIds) {
    ops.SetDlgItemText(IDC_CLAMP_DELAY, "12 \xC3\xA9");
    EXPECT_EQ(ops.GetDlgItemText(IDC_CLAMP_DELAY), "12 \xC3\xA9");
    ops.SetDlgItemText(IDC_VERSION, "9.9.9.9");  // disabled, and still set
    EXPECT_EQ(ops.GetDlgItemText(IDC_VERSION), "9.9.9.9");
    EXPECT_EQ(ops.GetDlgItemText(IDC_VERSION_LABEL), "Version  ");
    ops.SetDlgItemText(4242, "nowhere");
    EXPECT_EQ(ops.GetDlgItemText(4242), "");
    EXPECT_EQ(ops.GetDlgItemText(IDD_CONFIG_FORM), "");  // the form itself is not one of its items
}

TEST_F(WxWindowOpsTest, CheckBoxesTakeAnyNonZeroStateAsChecked) {
    ops.SetCheck(IDC_AUTO_HEADER, 1);
    EXPECT_EQ(ops.GetCheck(IDC_AUTO_HEADER), 1);
    ops.SetCheck(IDC_AUTO_HEADER, 0);
    EXPECT_EQ(ops.GetCheck(IDC_AUTO_HEADER), 0);
    ops.SetCheck(IDC_AUTO_HEADER, 2);
    EXPECT_EQ(ops.GetCheck(IDC_AUTO_HEADER), 1);
    EXPECT_EQ(ops.GetCheck(IDC_CLAMP_DELAY), 0);  // not a check box
}

TEST_F(WxWindowOpsTest, ComboBoxesAppendSelectAndClear) {
    for (const char* item : {"b", "a", "c"}) {
        ops.AddString(IDC_JOURNAL_FONT, item);
        ops.AddString(IDC_VALIDATION_FONT, item);
    }
    auto& editable = dynamic_cast<wxComboBox&>(Control(IDC_JOURNAL_FONT));
    EXPECT_EQ(editable.GetString(0), "b");  // appended, not sorted
    EXPECT_EQ(ops.GetCurSel(IDC_JOURNAL_FONT), kCbErr);
    ops.SetCurSel(IDC_JOURNAL_FONT, 2);
    EXPECT_EQ(ops.GetCurSel(IDC_JOURNAL_FONT), 2);
    EXPECT_EQ(ops.GetDlgItemText(IDC_JOURNAL_FONT), "c");
    ops.SetCurSel(IDC_JOURNAL_FONT, -1);
    EXPECT_EQ(ops.GetCurSel(IDC_JOURNAL_FONT), kCbErr);
    EXPECT_EQ(ops.GetDlgItemText(IDC_JOURNAL_FONT), "");
    ops.SetCurSel(IDC_JOURNAL_FONT, 1);
    ops.SetCurSel(IDC_JOURNAL_FONT, 3);  // past the end clears, as CB_SETCURSEL does
    EXPECT_EQ(ops.GetCurSel(IDC_JOURNAL_FONT), kCbErr);
    EXPECT_EQ(ops.GetCurSel(IDC_CLAMP_DELAY), kCbErr);  // not a combo box
}

// A drop-down list has no text of its own: a text naming an item selects it, another changes
// nothing.
TEST_F(WxWindowOpsTest, TextOfADropDownListSelectsTheItemItNames) {
    for (const char* item : {"b", "a", "c"}) {
        ops.AddString(IDC_VALIDATION_FONT, item);
    }
    ops.SetDlgItemText(IDC_VALIDATION_FONT, "a");
    EXPECT_EQ(ops.GetCurSel(IDC_VALIDATION_FONT), 1);
    ops.SetDlgItemText(IDC_VALIDATION_FONT, "zzz");
    EXPECT_EQ(ops.GetCurSel(IDC_VALIDATION_FONT), 1);
    EXPECT_EQ(ops.GetDlgItemText(IDC_VALIDATION_FONT), "a");
}

TEST_F(WxWindowOpsTest, ProgressBarKeepsTheWin32Arithmetic) {
    ops.SetRange(IDC_PROGRESS, 0, 120);
    ops.SetStep(IDC_PROGRESS, 10);
    ops.SetPos(IDC_PROGRESS, 0);
    for (int step = 0; step < 12; ++step) {
        ops.StepIt(IDC_PROGRESS);
    }
    EXPECT_EQ(Bar().GetRange(), 120);
    EXPECT_EQ(Bar().GetValue(), 120);
    ops.StepIt(IDC_PROGRESS);  // past the end: round to the start
    EXPECT_EQ(Bar().GetValue(), 10);
    ops.SetRange(IDC_PROGRESS, 50, 150);
    ops.SetPos(IDC_PROGRESS, 100);
    EXPECT_EQ(Bar().GetRange(), 100);
    EXPECT_EQ(Bar().GetValue(), 50);
    ops.SetPos(IDC_PROGRESS, 500);  // clamped to the range
    EXPECT_EQ(Bar().GetValue(), 100);
}

// Before any range is set a bar counts 0..100 in steps of 10, as a fresh Win32 bar does.
TEST_F(WxWindowOpsTest, ProgressBarStartsWithTheWin32Defaults) {
    ops.StepIt(IDC_PROGRESS);
    EXPECT_EQ(Bar().GetRange(), 100);
    EXPECT_EQ(Bar().GetValue(), 10);
}

}  // namespace
}  // namespace tq
