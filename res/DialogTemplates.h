// The utility's two dialog templates, held once: the main form (102) and the About box (100),
// every item in template order (which is also the tab order) with its id, kind, text, flags and
// rectangle in dialog units. Each front end builds its form from these tables: the Win32 dialog
// manager from an in-memory template, wx by placing its own controls, the headless form by keeping
// the state of every item that holds any. Pure data: no toolkit, no operating system.
#pragma once

#include <span>

namespace tq {

// An item the program never addresses (a label, a group box) has no id of its own: Win32's
// IDC_STATIC.
inline constexpr int kNoId = -1;

enum class ItemKind {
    PushButton,
    DefaultPushButton,
    Edit,           // single line, scrolls horizontally, with a border unless kNoBorder
    Label,          // left-aligned unless kRightAligned
    CheckBox,       // automatic, a tab stop
    DropDownCombo,  // drop-down with an editable field
    DropDownList,   // drop-down list: the field shows the selection only
    ProgressBar,
    GroupBox,
    Icon,  // a picture of the application icon
};

// Item flags: what the template says beyond the kind's defaults.
enum ItemFlag : unsigned {
    kHidden = 1u << 0,
    kDisabled = 1u << 1,
    kNotTabStop = 1u << 2,  // edits, buttons and check boxes are tab stops unless this is set
    kNoBorder = 1u << 3,
    kRightAligned = 1u << 4,
    kCentredVertically = 1u << 5,
    kNoPrefix = 1u << 6,  // "&" in the text is shown, not a mnemonic
};

// A rectangle in dialog units. A combo box's height counts its dropped-down list.
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct DialogItem {
    int id = kNoId;
    ItemKind kind = ItemKind::Label;
    const char* text = "";
    DialogRect rect;
    unsigned flags = 0;

    bool Has(ItemFlag flag) const { return (flags & flag) != 0; }
    bool IsTabStop() const;
    // Edits, check boxes, combo boxes and the progress bar: what a form without a window must keep
    // for the commands to read back. Labels, group boxes, buttons and the icon hold nothing.
    bool HoldsState() const;
};

struct DialogTemplate {
    int id = 0;
    const char* caption = "";
    int width = 0;  // dialog units
    int height = 0;
    const char* fontFace = "";
    int fontPoints = 0;
    bool appWindow = false;  // has a taskbar button of its own
    std::span<const DialogItem> items;
};

// The maker's notice: the lower-left label of the main form and the About box's second label.
inline constexpr const char* kNotice = "(C) 2026 tq9000 project";

const DialogTemplate& ConfigFormTemplate();
const DialogTemplate& AboutBoxTemplate();

// The template with that id, or nullptr.
const DialogTemplate* FindDialogTemplate(int templateId);
// The item with that id in the template, or nullptr (kNoId finds nothing).
const DialogItem* FindDialogItem(const DialogTemplate& dialog, int id);

}  // namespace tq
