#include "app/win32/DialogTemplateBytes.h"

#include <string_view>

#include "framework/ControlIds.h"

namespace tq {

namespace {

// Predefined control classes by atom, as resource compilers write them.
constexpr WORD kButtonAtom = 0x0080;
constexpr WORD kEditAtom = 0x0081;
constexpr WORD kStaticAtom = 0x0082;
constexpr WORD kComboBoxAtom = 0x0085;
// An ordinal (a class atom, a resource id) instead of a string.
constexpr WORD kOrdinalMark = 0xFFFF;

// Appends the template's fields in the layout DLGTEMPLATEEX and DLGITEMTEMPLATEEX give them:
// little-endian words and double words, UTF-16 strings, each item on a double-word boundary.
class TemplateWriter {
public:
    void Byte(BYTE value) { Raw(&value, sizeof value); }
    void Word(WORD value) { Raw(&value, sizeof value); }
    void Dword(DWORD value) { Raw(&value, sizeof value); }
    void Short(short value) { Raw(&value, sizeof value); }
    // The texts are ASCII, so each character widens to one UTF-16 unit.
    void Text(std::string_view text) {
        for (const char c : text) {
            Word(static_cast<WORD>(static_cast<unsigned char>(c)));
        }
        Word(0);
    }
    void Ordinal(WORD value) {
        Word(kOrdinalMark);
        Word(value);
    }
    void AlignToDword() {
        while (bytes_.size() % sizeof(DWORD) != 0) {
            bytes_.push_back(std::byte{0});
        }
    }
    std::vector<std::byte> Take() { return std::move(bytes_); }

private:
    void Raw(const void* data, std::size_t size) {
        const auto* first = static_cast<const std::byte*>(data);
        bytes_.insert(bytes_.end(), first, first + size);
    }

    std::vector<std::byte> bytes_;
};

void WriteRect(TemplateWriter& out, const DialogRect& rect) {
    out.Short(static_cast<short>(rect.x));
    out.Short(static_cast<short>(rect.y));
    out.Short(static_cast<short>(rect.width));
    out.Short(static_cast<short>(rect.height));
}

void WriteHeader(TemplateWriter& out, const DialogTemplate& dialog) {
    out.Word(1);  // DLGTEMPLATEEX version
    out.Word(kOrdinalMark);
    out.Dword(0);  // help id
    out.Dword(DialogExStyle(dialog));
    out.Dword(DialogStyle(dialog));
    out.Word(static_cast<WORD>(dialog.items.size()));
    WriteRect(out, {0, 0, dialog.width, dialog.height});
    out.Word(0);  // no menu
    out.Word(0);  // the dialog manager's own class
    out.Text(dialog.caption);
    out.Word(static_cast<WORD>(dialog.fontPoints));
    out.Word(FW_NORMAL);
    out.Byte(FALSE);  // italic
    out.Byte(DEFAULT_CHARSET);
    out.Text(dialog.fontFace);
}

WORD ClassAtom(ItemKind kind) {
    switch (kind) {
        case ItemKind::PushButton:
        case ItemKind::DefaultPushButton:
        case ItemKind::CheckBox:
        case ItemKind::GroupBox:
            return kButtonAtom;
        case ItemKind::Edit:
            return kEditAtom;
        case ItemKind::DropDownCombo:
        case ItemKind::DropDownList:
            return kComboBoxAtom;
        case ItemKind::Label:
        case ItemKind::Icon:
            return kStaticAtom;
        case ItemKind::ProgressBar:
            break;
    }
    return 0;
}

void WriteItem(TemplateWriter& out, const DialogItem& item) {
    out.AlignToDword();
    out.Dword(0);  // help id
    out.Dword(0);  // extended style
    out.Dword(ItemStyle(item));
    WriteRect(out, item.rect);
    out.Dword(static_cast<DWORD>(item.id == kNoId ? 0xFFFF : item.id));
    if (const WORD atom = ClassAtom(item.kind); atom != 0) {
        out.Ordinal(atom);
    } else {
        out.Text(ItemClassName(item.kind));
    }
    if (item.kind == ItemKind::Icon) {
        out.Ordinal(static_cast<WORD>(IDR_MAINFRAME));  // the icon the form carries
    } else {
        out.Text(item.text);
    }
    out.Word(0);  // no creation data
}

// The styles a resource compiler gives each kind of control by default.
DWORD KindStyle(const DialogItem& item) {
    switch (item.kind) {
        case ItemKind::PushButton:
            return BS_PUSHBUTTON;
        case ItemKind::DefaultPushButton:
            return BS_DEFPUSHBUTTON;
        case ItemKind::Edit:
            return ES_LEFT | ES_AUTOHSCROLL | (item.Has(kNoBorder) ? 0 : WS_BORDER);
        case ItemKind::Label:
            return WS_GROUP | (item.Has(kRightAligned) ? SS_RIGHT : SS_LEFT) |
                   (item.Has(kCentredVertically) ? SS_CENTERIMAGE : 0);
        case ItemKind::CheckBox:
            return BS_AUTOCHECKBOX;
        case ItemKind::DropDownCombo:
            return CBS_DROPDOWN | WS_VSCROLL;
        case ItemKind::DropDownList:
            return CBS_DROPDOWNLIST | WS_VSCROLL;
        case ItemKind::ProgressBar:
            return WS_BORDER;
        case ItemKind::GroupBox:
            return BS_GROUPBOX;
        case ItemKind::Icon:
            return SS_ICON;
    }
    return 0;
}

}  // namespace

DWORD DialogStyle(const DialogTemplate& /*dialog*/) {
    return DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU;
}

DWORD DialogExStyle(const DialogTemplate& dialog) {
    return dialog.appWindow ? WS_EX_APPWINDOW : 0;
}

const char* ItemClassName(ItemKind kind) {
    switch (ClassAtom(kind)) {
        case kButtonAtom:
            return "Button";
        case kEditAtom:
            return "Edit";
        case kStaticAtom:
            return "Static";
        case kComboBoxAtom:
            return "ComboBox";
        default:
            return PROGRESS_CLASSA;
    }
}

DWORD ItemStyle(const DialogItem& item) {
    DWORD style = WS_CHILD | KindStyle(item);
    if (!item.Has(kHidden)) {
        style |= WS_VISIBLE;
    }
    if (item.Has(kDisabled)) {
        style |= WS_DISABLED;
    }
    if (item.IsTabStop()) {
        style |= WS_TABSTOP;
    }
    if (item.Has(kNoPrefix)) {
        style |= SS_NOPREFIX;
    }
    return style;
}

std::vector<std::byte> BuildDialogTemplate(const DialogTemplate& dialog) {
    TemplateWriter out;
    WriteHeader(out, dialog);
    for (const DialogItem& item : dialog.items) {
        WriteItem(out, item);
    }
    return out.Take();
}

}  // namespace tq
