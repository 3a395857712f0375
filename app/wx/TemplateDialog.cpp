#include "app/wx/TemplateDialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/combobox.h>
#include <wx/font.h>
#include <wx/gauge.h>
#include <wx/statbmp.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include <cstdio>
#include <string_view>

#include "app/wx/NativeLook.h"
#include "app/wx/Resources.h"

namespace tq {

namespace {

// A caption, a system menu and a close box; neither minimise nor maximise box.
constexpr long kDialogStyle = wxCAPTION | wxSYSTEM_MENU | wxCLOSE_BOX;

// "MS Sans Serif" exists only on Windows; fontconfig's "Sans" is the nearest face everywhere else.
wxFont TemplateFont(const DialogTemplate& dialogTemplate) {
    const bool windowsFace = std::string_view(dialogTemplate.fontFace) == "MS Sans Serif";
    const wxString face = windowsFace ? wxString("Sans") : wxString(dialogTemplate.fontFace);
    return wxFont(wxFontInfo(dialogTemplate.fontPoints).FaceName(face));
}

// "&" marks a mnemonic, as in a Win32 template, unless the item says it is shown as it stands.
wxString Label(const DialogItem& item) {
    const wxString text = wxString::FromUTF8(item.text);
    return item.Has(kNoPrefix) ? wxControl::EscapeMnemonics(text) : text;
}

struct Cell {
    int id;
    wxPoint at;
    wxSize size;
};

// A combo box's template height counts its dropped-down list: closed, it takes the toolkit's own.
Cell CellOf(const wxDialog& dialog, const DialogItem& item) {
    const DialogRect& rect = item.rect;
    wxSize size = dialog.ConvertDialogToPixels(wxSize(rect.width, rect.height));
    if (item.kind == ItemKind::DropDownCombo || item.kind == ItemKind::DropDownList) {
        size.y = wxDefaultCoord;
    }
    return {item.id == kNoId ? wxID_ANY : item.id,
            dialog.ConvertDialogToPixels(wxPoint(rect.x, rect.y)), size};
}

wxWindow* CreateLabel(wxDialog& dialog, const DialogItem& item, const Cell& cell) {
    const long align = item.Has(kRightAligned) ? wxALIGN_RIGHT : wxALIGN_LEFT;
    auto* label = new wxStaticText(&dialog, cell.id, Label(item), cell.at, cell.size,
                                   align | wxST_NO_AUTORESIZE);
    if (item.Has(kCentredVertically)) {
        CentreLabelVertically(*label);
    }
    return label;
}

wxWindow* CreateButton(wxDialog& dialog, const DialogItem& item, const Cell& cell) {
    auto* button = new wxButton(&dialog, cell.id, Label(item), cell.at, cell.size);
    if (item.kind == ItemKind::DefaultPushButton) {
        button->SetDefault();
    }
    return button;
}

wxWindow* CreateComboBox(wxDialog& dialog, const DialogItem& item, const Cell& cell) {
    const long style =
        item.kind == ItemKind::DropDownList ? wxCB_DROPDOWN | wxCB_READONLY : wxCB_DROPDOWN;
    return new wxComboBox(&dialog, cell.id, wxEmptyString, cell.at, cell.size, 0, nullptr, style);
}

// The picture is always the application's icon.
wxWindow* CreateIcon(wxDialog& dialog, const Cell& cell) {
    auto* picture = new wxStaticBitmap(&dialog, cell.id, wxNullBitmap, cell.at, cell.size);
    picture->SetIcon(AppIcon32());
    return picture;
}

wxWindow* CreateItem(wxDialog& dialog, const DialogItem& item) {
    const Cell cell = CellOf(dialog, item);
    switch (item.kind) {
        case ItemKind::PushButton:
        case ItemKind::DefaultPushButton:
            return CreateButton(dialog, item, cell);
        case ItemKind::Edit:
            return new wxTextCtrl(&dialog, cell.id, wxString::FromUTF8(item.text), cell.at,
                                  cell.size, item.Has(kNoBorder) ? wxBORDER_NONE : 0);
        case ItemKind::Label:
            return CreateLabel(dialog, item, cell);
        case ItemKind::CheckBox:
            return new wxCheckBox(&dialog, cell.id, Label(item), cell.at, cell.size);
        case ItemKind::DropDownCombo:
        case ItemKind::DropDownList:
            return CreateComboBox(dialog, item, cell);
        case ItemKind::ProgressBar:
            return new wxGauge(&dialog, cell.id, 100, cell.at, cell.size,
                               wxGA_HORIZONTAL | wxGA_SMOOTH);
        case ItemKind::GroupBox:
            return new wxStaticBox(&dialog, cell.id, Label(item), cell.at, cell.size);
        case ItemKind::Icon:
            return CreateIcon(dialog, cell);
    }
    return nullptr;
}

// An item that is not a tab stop still takes a click, as a Win32 control without WS_TABSTOP does.
void ApplyStates(wxWindow& control, const DialogItem& item) {
    if (item.Has(kDisabled)) {
        control.Disable();
    }
    if (item.Has(kHidden)) {
        control.Hide();
    }
    if (item.Has(kNotTabStop)) {
        control.DisableFocusFromKeyboard();
    }
}

}  // namespace

// Items are placed after the font is set, so that their dialog units are the template font's.
bool CreateFromTemplate(wxDialog& dialog, const DialogTemplate& dialogTemplate) {
    if (!dialog.Create(nullptr, wxID_ANY, wxString::FromUTF8(dialogTemplate.caption),
                       wxDefaultPosition, wxDefaultSize, kDialogStyle)) {
        std::fprintf(stderr, "tq9000_config_app: dialog %d could not be created\n",
                     dialogTemplate.id);
        return false;
    }
    dialog.SetFont(TemplateFont(dialogTemplate));
    for (const DialogItem& item : dialogTemplate.items) {
        if (wxWindow* control = CreateItem(dialog, item)) {
            ApplyStates(*control, item);
        }
    }
    dialog.SetClientSize(
        dialog.ConvertDialogToPixels(wxSize(dialogTemplate.width, dialogTemplate.height)));
    FitTemplateLook(dialog);
    dialog.Centre();
    return true;
}

}  // namespace tq
