// The main form's 79 items as the template gives them: order (the tab order), ids, kinds, texts,
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
#include <string>
#include <vector>

#include "app/ConfigForm.h"
#include "framework/ControlIds.h"
#include "tests/window/form/PrinterRig.h"
#include "tests/window/form/WxTestSupport.h"

namespace tq {
namespace {

enum class Kind { Button, Edit, Label, CheckBox, GroupBox, Progress, DropDownList, EditableCombo };
constexpr unsigned kHidden = 1;
constexpr unsigned kDisabled = 2;
constexpr unsigned kNoTab = 4;
constexpr unsigned kRight = 8;

struct Item {
    int id;  // -1: a label without an id of its own
    Kind kind;
    const char* text;  // nullptr: not compared
    wxRect cell;       // dialog units
    unsigned flags;
};

// clang-format off
const Item kItems[] = {
    {2, Kind::Button, "EXIT", {419, 366, 59, 18}, 0},
    {1000, Kind::Edit, "", {420, 205, 44, 12}, 0},
    {-1, Kind::Label, "CLAMP DELAY x100msec", {360, 204, 53, 16}, kRight},
    {1001, Kind::Edit, "", {420, 172, 44, 12}, 0},
    {-1, Kind::Label, "Customer Special Version", {350, 171, 64, 16}, kRight},
    {1002, Kind::Edit, "", {420, 138, 44, 12}, 0},
    {-1, Kind::Label, "Setup Version", {349, 140, 63, 10}, kRight},
    {-1, Kind::Label, "(0) - 40", {467, 206, 24, 9}, 0},
    {-1, Kind::Label, "(0) - 255", {467, 173, 26, 11}, 0},
    {1003, Kind::Edit, "", {420, 155, 44, 12}, 0},
    {-1, Kind::Label, "Setup Revision", {349, 156, 63, 11}, kRight},
    {-1, Kind::Label, "Journal", {351, 22, 29, 11}, kRight},
    {-1, Kind::Label, "Validation", {335, 36, 47, 11}, kRight},
    {1015, Kind::DropDownList, "", {387, 35, 88, 99}, 0},
    {-1, Kind::Label, "Lines To Skip Before Validation Printing", {18, 235, 127, 9}, 0},
    {1028, Kind::Edit, "", {148, 233, 28, 13}, 0},
    {-1, Kind::Label, "(0)-8", {180, 234, 26, 10}, 0},
    {1036, Kind::Button, "Status / Test Print", {398, 337, 80, 18}, 0},
    {1037, Kind::CheckBox, "HEX Dump Mode", {17, 332, 71, 11}, 0},
    {1038, Kind::CheckBox, "DEMO Mode", {17, 343, 77, 9}, 0},
    {1039, Kind::CheckBox, "SELF_TEST Mode", {17, 354, 84, 8}, 0},
    {1040, Kind::CheckBox, "Enable Blackmark Sensor", {18, 270, 109, 8}, 0},
    {1041, Kind::CheckBox, "Skip All Blank Leading Lines on Validation", {18, 198, 157, 11}, 0},
    {1042, Kind::CheckBox, "Automatic Entry to Validation Mode if Journal Printing Disabled", {18, 210, 210, 11}, 0},
    {1043, Kind::CheckBox, "Enable Double-strike Printing When Large Bold Font Selected", {18, 166, 213, 11}, 0},
    {1044, Kind::CheckBox, "Use Older Style Large and Large Bold Font Stylization of Characters", {18, 155, 230, 11}, 0},
    {1045, Kind::CheckBox, "Use Open '4' Numerals When Printing", {18, 144, 146, 11}, 0},
    {1046, Kind::CheckBox, "Enable Double-strike Printing When OCR Font Selected", {18, 133, 200, 11}, 0},
    {1047, Kind::CheckBox, "DIPSW2 Overrides Data Stream and Sets Standard Bold as Default Font", {18, 122, 228, 11}, 0},
    {1048, Kind::CheckBox, "Fonts Defaulted at End of Each Printline", {18, 111, 144, 11}, 0},
    {1049, Kind::CheckBox, "Enable Kickout of Form after Validation", {18, 80, 149, 11}, 0},
    {1050, Kind::CheckBox, "Enable Journal Copy of Validation Feature", {18, 68, 151, 11}, 0},
    {1051, Kind::CheckBox, "Enable Reprint Feature", {18, 56, 96, 11}, 0},
    {1052, Kind::CheckBox, "Disable Alignment before Validation", {18, 44, 125, 11}, 0},
    {1053, Kind::CheckBox, "Disable Validation Printing", {18, 32, 116, 11}, 0},
    {1054, Kind::CheckBox, "Disable Jounal Printing", {18, 20, 97, 11}, 0},
    {1055, Kind::CheckBox, "Enable TQ-5150 Compatibility", {306, 104, 112, 8}, 0},
    {1056, Kind::CheckBox, "Add LF (linefeed) to Each CR Received", {306, 93, 145, 8}, 0},
    {1057, Kind::CheckBox, "Emulate Printers with No Receive buffers", {306, 82, 148, 11}, 0},
    {1058, Kind::CheckBox, "Enable Strict TQ8850 Emulation", {306, 71, 140, 11}, 0},
    {1070, Kind::Edit, "", {414, 250, 50, 15}, kNoTab},
    {-1, Kind::Label, "Feature ID", {370, 253, 37, 9}, 0},
    {1071, Kind::Edit, "", {414, 267, 50, 14}, kDisabled|kNoTab},
    {-1, Kind::Label, "Value", {384, 267, 22, 8}, 0},
    {1073, Kind::Button, "Get", {321, 266, 46, 14}, 0},
    {1011, Kind::EditableCombo, "", {387, 20, 88, 108}, 0},
    {1075, Kind::Button, "Read All", {307, 337, 65, 17}, 0},
    {1076, Kind::Button, "Write All", {307, 366, 65, 18}, 0},
    {-1, Kind::Label, "[99/x63]", {279, 92, 33, 11}, kHidden|kDisabled},
    {-1, Kind::Label, "[98/x62]", {233, 174, 31, 9}, kHidden|kDisabled},
    {-1, Kind::Label, "[100/x64]", {236, 242, 33, 11}, kHidden|kDisabled},
    {-1, Kind::Label, "[102/x66]", {259, 268, 35, 9}, kHidden|kDisabled},
    {-1, Kind::Label, "[101/x65]", {258, 337, 33, 10}, kHidden|kDisabled},
    {-1, Kind::Label, "[85/x55]", {270, 184, 32, 9}, kHidden|kDisabled|kRight},
    {-1, Kind::Label, "[76/x4C]", {267, 206, 30, 10}, kHidden|kDisabled|kRight},
    {-1, Kind::Label, "[96/x60]", {277, 25, 29, 12}, kHidden|kDisabled|kRight},
    {-1, Kind::Label, "[97/x61]", {264, 39, 29, 11}, kHidden|kDisabled|kRight},
    {-1, Kind::Label, "[86/x56]", {267, 144, 31, 11}, kHidden|kDisabled|kRight},
    {-1, Kind::Label, "[87/x57]", {270, 161, 30, 9}, kHidden|kDisabled|kRight},
    {-1, Kind::GroupBox, "TEST/DEBUGGING OPTIONS", {11, 324, 247, 43}, 0},
    {-1, Kind::GroupBox, "ML VALIDATION OPTIONS", {12, 189, 244, 61}, 0},
    {-1, Kind::GroupBox, "FONT OPTIONS", {11, 101, 245, 81}, 0},
    {-1, Kind::GroupBox, "PRINTER OPTIONS", {12, 11, 244, 82}, 0},
    {-1, Kind::GroupBox, "EMULATION OPTIONS", {299, 61, 197, 58}, 0},
    {-1, Kind::GroupBox, "MISCELLANEOUS OPTIONS", {12, 258, 245, 61}, 0},
    {1077, Kind::CheckBox, "Enable Auto Header", {18, 281, 142, 8}, 0},
    {1078, Kind::CheckBox, "Enable Auto Footer", {18, 292, 151, 8}, 0},
    {1079, Kind::Progress, nullptr, {304, 306, 171, 20}, 0},
    {-1, Kind::GroupBox, "FACTORY USE:  Feature Values", {299, 238, 198, 49}, 0},
    {-1, Kind::GroupBox, "SETUP ID", {299, 128, 197, 99}, 0},
    {-1, Kind::GroupBox, "DEFAULT FONTS", {300, 11, 196, 41}, 0},
    {1081, Kind::CheckBox, "Default Spacing Reduced: 8 lpi", {18, 222, 127, 10}, 0},
    {1082, Kind::Label, "Version  ", {177, 368, 28, 18}, 0},
    {1083, Kind::Edit, "", {208, 373, 48, 12}, kDisabled|kNoTab},
    {-1, Kind::Label, nullptr, {11, 369, 121, 17}, 0},
    {-1, Kind::Label, "(0) - 255", {467, 156, 26, 11}, 0},
    {-1, Kind::Label, "(0) - 255", {466, 139, 26, 11}, 0},
    {-1, Kind::Label, "PROGRESS", {305, 295, 53, 8}, 0},
    {1084, Kind::CheckBox, "Enable Text Commands", {18, 304, 151, 8}, 0},
};
// clang-format on

bool IsKind(const wxWindow& w, Kind kind) {
    const auto* combo = dynamic_cast<const wxComboBox*>(&w);
    switch (kind) {
        case Kind::Button:
            return dynamic_cast<const wxButton*>(&w) != nullptr;
        case Kind::Edit:
            return dynamic_cast<const wxTextCtrl*>(&w) != nullptr;
        case Kind::Label:
            return dynamic_cast<const wxStaticText*>(&w) != nullptr;
        case Kind::CheckBox:
            return dynamic_cast<const wxCheckBox*>(&w) != nullptr;
        case Kind::GroupBox:
            return dynamic_cast<const wxStaticBox*>(&w) != nullptr;
        case Kind::Progress:
            return dynamic_cast<const wxGauge*>(&w) != nullptr;
        case Kind::DropDownList:
            return combo != nullptr && combo->HasFlag(wxCB_READONLY);
        case Kind::EditableCombo:
            return combo != nullptr && !combo->HasFlag(wxCB_READONLY);
    }
    return false;
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
    ASSERT_EQ(children.size(), std::size(kItems));
    for (std::size_t i = 0; i < children.size(); ++i) {
        const Item& item = kItems[i];
        const wxWindow& control = *children[i];
        SCOPED_TRACE("item " + std::to_string(i + 1));
        if (item.id >= 0) {
            EXPECT_EQ(control.GetId(), item.id);
        } else {
            EXPECT_LT(control.GetId(), 0);  // automatic ids cannot collide with 1000..1084
        }
        EXPECT_TRUE(IsKind(control, item.kind));
        if (item.text != nullptr) {
            EXPECT_EQ(TextOf(control), item.text);
        }
        EXPECT_EQ(control.IsShown(), (item.flags & kHidden) == 0);
        EXPECT_EQ(control.IsEnabled(), (item.flags & kDisabled) == 0);
        EXPECT_EQ(control.HasFlag(wxALIGN_RIGHT), (item.flags & kRight) != 0);
        if (item.kind == Kind::Edit && (item.flags & kNoTab) != 0) {
            EXPECT_FALSE(control.CanAcceptFocusFromKeyboard());
        }
    }
}

TEST_F(FormItemsTest, TabStopsAndBorders) {
    EXPECT_TRUE(form.FindWindow(IDC_FEATURE_ID)->CanAcceptFocus());  // takes a click, not a Tab
    EXPECT_TRUE(form.FindWindow(IDC_VERSION)->HasFlag(wxBORDER_NONE));
    EXPECT_FALSE(form.FindWindow(IDC_FEATURE_VALUE)->HasFlag(wxBORDER_NONE));
    for (int id :
         {IDC_CLAMP_DELAY, IDC_LINES_TO_SKIP, IDC_FIRST_CHECK_BOX, IDC_READ_ALL, kIdCancel}) {
        EXPECT_TRUE(form.FindWindow(id)->CanAcceptFocusFromKeyboard()) << id;
    }
    EXPECT_EQ(form.FindWindow(kIdOk), nullptr);  // the form has no OK button
}

// Positions and sizes convert back to the template's dialog units, give or take the rounding of
// one unit; combo boxes keep the toolkit's own height.
TEST_F(FormItemsTest, CellsInDialogUnits) {
    const std::vector<wxWindow*> children = Children();
    ASSERT_EQ(children.size(), std::size(kItems));
    for (std::size_t i = 0; i < children.size(); ++i) {
        SCOPED_TRACE("item " + std::to_string(i + 1));
        const wxRect& cell = kItems[i].cell;
        const wxPoint at = form.ConvertPixelsToDialog(children[i]->GetPosition());
        const wxSize size = form.ConvertPixelsToDialog(children[i]->GetSize());
        EXPECT_LE(std::abs(at.x - cell.x), 1);
        EXPECT_LE(std::abs(at.y - cell.y), 1);
        EXPECT_LE(std::abs(size.x - cell.width), 1);
        const bool combo =
            kItems[i].kind == Kind::DropDownList || kItems[i].kind == Kind::EditableCombo;
        if (!combo) {
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
    ASSERT_EQ(children.size(), std::size(kItems));
    std::vector<std::size_t> placed;
    for (std::size_t i = 0; i < children.size(); ++i) {
        if (children[i]->IsShown() && kItems[i].kind != Kind::GroupBox) {
            placed.push_back(i);
        }
    }
    auto drawn = [&](std::size_t i) {
        wxRect rect = children[i]->GetRect();
        rect.height = std::max(rect.height, test::ToolkitMinimumHeight(*children[i]));
        return rect;
    };
    auto cell = [&](std::size_t i) {
        wxRect rect = kItems[i].cell;
        const bool combo =
            kItems[i].kind == Kind::DropDownList || kItems[i].kind == Kind::EditableCombo;
        rect.height = combo ? 12 : rect.height;
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
