// The main form's 79 items as its template gives them: order (the tab order), ids, kinds, texts,
// states and cells in dialog units; and, as GTK draws them at the templates' font, no control
// reaching into another's cell.
#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/gauge.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstdlib>
#include <span>
#include <string>
#include <vector>

#include "app/wx/ConfigForm.h"
#include "framework/ControlIds.h"
#include "res/DialogTemplates.h"
#include "tests/window/form/PrinterRig.h"
#include "tests/window/form/WxTestSupport.h"

namespace tq {
namespace {

using Items = std::span<const DialogItem>;

const Items kItems = ConfigFormTemplate().items;

bool IsKind(const wxWindow& w, ItemKind kind) {
    const auto* combo = dynamic_cast<const wxComboBox*>(&w);
    switch (kind) {
        case ItemKind::PushButton:
        case ItemKind::DefaultPushButton:
            return dynamic_cast<const wxButton*>(&w) != nullptr;
        case ItemKind::Edit:
            return dynamic_cast<const wxTextCtrl*>(&w) != nullptr;
        case ItemKind::Label:
            return dynamic_cast<const wxStaticText*>(&w) != nullptr;
        case ItemKind::CheckBox:
            return dynamic_cast<const wxCheckBox*>(&w) != nullptr;
        case ItemKind::GroupBox:
            return dynamic_cast<const wxStaticBox*>(&w) != nullptr;
        case ItemKind::ProgressBar:
            return dynamic_cast<const wxGauge*>(&w) != nullptr;
        case ItemKind::DropDownList:
            return combo != nullptr && combo->HasFlag(wxCB_READONLY);
        case ItemKind::DropDownCombo:
            return combo != nullptr && !combo->HasFlag(wxCB_READONLY);
        case ItemKind::Icon:
            return false;  // the main form has none
    }
    return false;
}

bool IsCombo(const DialogItem& item) {
    return item.kind == ItemKind::DropDownList || item.kind == ItemKind::DropDownCombo;
}

wxRect CellOf(const DialogItem& item) {
    return {item.rect.x, item.rect.y, item.rect.width, item.rect.height};
}

std::string TextOf(const wxWindow& w) {
    if (const auto* entry = dynamic_cast<const wxTextEntry*>(&w)) {
        return entry->GetValue().utf8_string();
    }
    return w.GetLabel().utf8_string();
}

class FormItemsTest : public ::testing::Test {
protected:
    std::vector<wxWindow*> Children() const {
        return {form.GetChildren().begin(), form.GetChildren().end()};
    }
    wxRect CellInPixels(const wxRect& cell) const {
        return {form.ConvertDialogToPixels(cell.GetPosition()),
                form.ConvertDialogToPixels(cell.GetSize())};
    }

    test::PrinterRig printer;
    test::DialogRecorder dialogs;
    CConfigForm form;
};

TEST_F(FormItemsTest, ItemsInTemplateOrderWithTheirIdsKindsTextsAndStates) {
    ASSERT_TRUE(form.Loaded());
    const std::vector<wxWindow*> children = Children();
    ASSERT_EQ(children.size(), 79u);
    ASSERT_EQ(children.size(), kItems.size());
    for (std::size_t i = 0; i < children.size(); ++i) {
        const DialogItem& item = kItems[i];
        const wxWindow& control = *children[i];
        SCOPED_TRACE("item " + std::to_string(i + 1));
        if (item.id != kNoId) {
            EXPECT_EQ(control.GetId(), item.id);
        } else {
            EXPECT_LT(control.GetId(), 0);  // automatic ids cannot collide with 1000..1084
        }
        EXPECT_TRUE(IsKind(control, item.kind));
        if (item.kind != ItemKind::ProgressBar) {  // its text names it only in the template
            EXPECT_EQ(TextOf(control), item.text);
        }
        EXPECT_EQ(control.IsShown(), !item.Has(kHidden));
        EXPECT_EQ(control.IsEnabled(), !item.Has(kDisabled));
        EXPECT_EQ(control.HasFlag(wxALIGN_RIGHT), item.Has(kRightAligned));
        if (item.kind == ItemKind::Edit && !item.IsTabStop()) {
            EXPECT_FALSE(control.CanAcceptFocusFromKeyboard());
        }
    }
}

TEST_F(FormItemsTest, TabStopsAndBorders) {
    EXPECT_TRUE(form.FindWindow(IDC_VERSION)->HasFlag(wxBORDER_NONE));
    EXPECT_FALSE(form.FindWindow(IDC_FEATURE_VALUE)->HasFlag(wxBORDER_NONE));
    for (int id : {IDC_CLAMP_DELAY, IDC_LINES_TO_SKIP, IDC_FEATURE_ID, IDC_HEX_DUMP_MODE,
                   IDC_READ_ALL, kIdCancel}) {
        EXPECT_TRUE(form.FindWindow(id)->CanAcceptFocusFromKeyboard()) << id;
    }
    EXPECT_EQ(form.FindWindow(kIdOk), nullptr);  // the form has no OK button
}

// Positions and sizes convert back to the template's dialog units, give or take the rounding of
// one unit; combo boxes keep the toolkit's own height.
TEST_F(FormItemsTest, CellsInDialogUnits) {
    const std::vector<wxWindow*> children = Children();
    ASSERT_EQ(children.size(), kItems.size());
    for (std::size_t i = 0; i < children.size(); ++i) {
        SCOPED_TRACE("item " + std::to_string(i + 1));
        const wxRect cell = CellOf(kItems[i]);
        const wxPoint at = form.ConvertPixelsToDialog(children[i]->GetPosition());
        const wxSize size = form.ConvertPixelsToDialog(children[i]->GetSize());
        EXPECT_LE(std::abs(at.x - cell.x), 1);
        EXPECT_LE(std::abs(at.y - cell.y), 1);
        EXPECT_LE(std::abs(size.x - cell.width), 1);
        if (!IsCombo(kItems[i])) {
            EXPECT_LE(std::abs(size.y - cell.height), 1);
        }
    }
    const wxSize client = form.ConvertPixelsToDialog(form.GetClientSize());
    EXPECT_LE(std::abs(client.x - 504), 1);
    EXPECT_LE(std::abs(client.y - 394), 1);
}

// What GTK would draw: the control's cell, or taller where the style asks for more height than the
// cell has. Two visible controls may share pixels only where their template cells already do, or
// along one row or column where dialog units round to pixels. A combo box's template height counts
// its dropped-down list; closed, it stands in an edit's 12 units.
TEST_F(FormItemsTest, NoControlReachesIntoAnother) {
    const std::vector<wxWindow*> children = Children();
    ASSERT_EQ(children.size(), kItems.size());
    std::vector<std::size_t> placed;
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i]->IsShown() && kItems[i].kind != ItemKind::GroupBox) {
            placed.push_back(i);
        }
    }
    auto drawn = [&](std::size_t i) {
        wxRect rect = children[i]->GetRect();
        rect.height = std::max(rect.height, test::ToolkitMinimumHeight(*children[i]));
        return rect;
    };
    auto cell = [&](std::size_t i) {
        wxRect rect = CellOf(kItems[i]);
        rect.height = IsCombo(kItems[i]) ? 12 : rect.height;
        return rect;
    };
    for (std::size_t a = 0; a < placed.size(); ++a) {
        for (std::size_t b = a + 1; b < placed.size(); ++b) {
            const std::size_t i = placed[a];
            const std::size_t j = placed[b];
            if (!cell(i).Intersects(cell(j))) {
                const wxRect shared = drawn(i).Intersect(drawn(j));
                EXPECT_FALSE(shared.width > 1 && shared.height > 1)
                    << "items " << i + 1 << " and " << j + 1 << ": " << TextOf(*children[i])
                    << " / " << TextOf(*children[j]);
            }
        }
    }
}

}  // namespace
}  // namespace tq
