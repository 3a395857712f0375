#include "res/DialogTemplates.h"

#include <array>

#include "framework/ControlIds.h"

namespace tq {

namespace {

using enum ItemKind;

// Template order is the tab order: the form read as a page, the left column and then the right,
// each group from top to bottom and each row from left to right, ending with the command buttons.
// Every edit, check box, list and button is a tab stop.
constexpr std::array kConfigFormItems = std::to_array<DialogItem>({
    // The left column, group by group: PRINTER OPTIONS
    {IDC_DISABLE_JOURNAL_PRINTING, CheckBox, "Disable Jounal Printing", {18, 20, 97, 11}, 0},
    {IDC_DISABLE_VALIDATION_PRINTING,
     CheckBox,
     "Disable Validation Printing",
     {18, 32, 116, 11},
     0},
    {IDC_DISABLE_ALIGNMENT_BEFORE_VALIDATION,
     CheckBox,
     "Disable Alignment before Validation",
     {18, 44, 125, 11},
     0},
    {IDC_REPRINT, CheckBox, "Enable Reprint Feature", {18, 56, 96, 11}, 0},
    {IDC_JOURNAL_COPY_OF_VALIDATION,
     CheckBox,
     "Enable Journal Copy of Validation Feature",
     {18, 68, 151, 11},
     0},
    {IDC_KICKOUT_AFTER_VALIDATION,
     CheckBox,
     "Enable Kickout of Form after Validation",
     {18, 80, 149, 11},
     0},
    // FONT OPTIONS
    {IDC_FONTS_DEFAULTED_AT_LINE_END,
     CheckBox,
     "Fonts Defaulted at End of Each Printline",
     {18, 111, 144, 11},
     0},
    {IDC_DIPSW2_SETS_STANDARD_BOLD,
     CheckBox,
     "DIPSW2 Overrides Data Stream and Sets Standard Bold as Default Font",
     {18, 122, 228, 11},
     0},
    {IDC_DOUBLE_STRIKE_OCR,
     CheckBox,
     "Enable Double-strike Printing When OCR Font Selected",
     {18, 133, 200, 11},
     0},
    {IDC_OPEN_FOUR_NUMERALS,
     CheckBox,
     "Use Open '4' Numerals When Printing",
     {18, 144, 146, 11},
     0},
    {IDC_OLDER_STYLE_LARGE_FONTS,
     CheckBox,
     "Use Older Style Large and Large Bold Font Stylization of Characters",
     {18, 155, 230, 11},
     0},
    {IDC_DOUBLE_STRIKE_LARGE_BOLD,
     CheckBox,
     "Enable Double-strike Printing When Large Bold Font Selected",
     {18, 166, 213, 11},
     0},
    // ML VALIDATION OPTIONS
    {IDC_SKIP_BLANK_LEADING_LINES,
     CheckBox,
     "Skip All Blank Leading Lines on Validation",
     {18, 198, 157, 11},
     0},
    {IDC_AUTO_VALIDATION_MODE,
     CheckBox,
     "Automatic Entry to Validation Mode if Journal Printing Disabled",
     {18, 210, 210, 11},
     0},
    {IDC_REDUCED_SPACING, CheckBox, "Default Spacing Reduced: 8 lpi", {18, 222, 127, 10}, 0},
    {kNoId, Label, "Lines To Skip Before Validation Printing", {18, 235, 127, 9}, 0},
    {IDC_LINES_TO_SKIP, Edit, "", {148, 233, 28, 13}, 0},
    {kNoId, Label, "(0)-8", {180, 234, 26, 10}, 0},
    // MISCELLANEOUS OPTIONS
    {IDC_BLACKMARK_SENSOR, CheckBox, "Enable Blackmark Sensor", {18, 270, 109, 8}, 0},
    {IDC_AUTO_HEADER, CheckBox, "Enable Auto Header", {18, 281, 142, 8}, 0},
    {IDC_AUTO_FOOTER, CheckBox, "Enable Auto Footer", {18, 292, 151, 8}, 0},
    {IDC_TEXT_COMMANDS, CheckBox, "Enable Text Commands", {18, 304, 151, 8}, 0},
    // TEST/DEBUGGING OPTIONS
    {IDC_HEX_DUMP_MODE, CheckBox, "HEX Dump Mode", {17, 332, 71, 11}, 0},
    {IDC_DEMO_MODE, CheckBox, "DEMO Mode", {17, 343, 77, 9}, 0},
    {IDC_SELF_TEST_MODE, CheckBox, "SELF_TEST Mode", {17, 354, 84, 8}, 0},
    // The notice and the version, under the left column
    {kNoId, Label, kNotice, {11, 369, 121, 17}, kCentredVertically},
    {IDC_VERSION_LABEL, Label, "Version  ", {177, 368, 28, 18}, kCentredVertically},
    {IDC_VERSION, Edit, "", {208, 373, 48, 12}, kDisabled | kNoBorder},
    // The right column: DEFAULT FONTS
    {kNoId, Label, "Journal", {351, 22, 29, 11}, kRightAligned},
    {IDC_JOURNAL_FONT, DropDownCombo, "", {387, 20, 88, 108}, 0},
    {kNoId, Label, "Validation", {335, 36, 47, 11}, kRightAligned},
    {IDC_VALIDATION_FONT, DropDownList, "", {387, 35, 88, 99}, 0},
    // EMULATION OPTIONS
    {IDC_STRICT_TQ8850_EMULATION,
     CheckBox,
     "Enable Strict TQ8850 Emulation",
     {306, 71, 140, 11},
     0},
    {IDC_NO_RECEIVE_BUFFER_EMULATION,
     CheckBox,
     "Emulate Printers with No Receive buffers",
     {306, 82, 148, 11},
     0},
    {IDC_ADD_LF_TO_CR, CheckBox, "Add LF (linefeed) to Each CR Received", {306, 93, 145, 8}, 0},
    {IDC_TQ5150_COMPATIBILITY, CheckBox, "Enable TQ-5150 Compatibility", {306, 104, 112, 8}, 0},
    // SETUP ID
    {kNoId, Label, "Setup Version", {349, 140, 63, 10}, kRightAligned},
    {IDC_SETUP_VERSION, Edit, "", {420, 138, 44, 12}, 0},
    {kNoId, Label, "(0) - 255", {466, 139, 26, 11}, 0},
    {kNoId, Label, "Setup Revision", {349, 156, 63, 11}, kRightAligned},
    {IDC_SETUP_REVISION, Edit, "", {420, 155, 44, 12}, 0},
    {kNoId, Label, "(0) - 255", {467, 156, 26, 11}, 0},
    {kNoId, Label, "Customer Special Version", {350, 171, 64, 16}, kRightAligned},
    {IDC_CUSTOMER_SPECIAL_VERSION, Edit, "", {420, 172, 44, 12}, 0},
    {kNoId, Label, "(0) - 255", {467, 173, 26, 11}, 0},
    {kNoId, Label, "CLAMP DELAY x100msec", {360, 204, 53, 16}, kRightAligned},
    {IDC_CLAMP_DELAY, Edit, "", {420, 205, 44, 12}, 0},
    {kNoId, Label, "(0) - 40", {467, 206, 24, 9}, 0},
    // FACTORY USE:  Feature Values
    {kNoId, Label, "Feature ID", {370, 253, 37, 9}, 0},
    {IDC_FEATURE_ID, Edit, "", {414, 250, 50, 15}, 0},
    {IDC_GET, PushButton, "Get", {321, 266, 46, 14}, 0},
    {kNoId, Label, "Value", {384, 267, 22, 8}, 0},
    {IDC_FEATURE_VALUE, Edit, "", {414, 267, 50, 14}, kDisabled},
    // PROGRESS
    {kNoId, Label, "PROGRESS", {305, 295, 53, 8}, 0},
    {IDC_PROGRESS, ProgressBar, "Progress1", {304, 306, 171, 20}, 0},
    // The four command buttons, row by row
    {IDC_READ_ALL, PushButton, "Read All", {307, 337, 65, 17}, 0},
    {IDC_STATUS_TEST_PRINT, PushButton, "Status / Test Print", {398, 337, 80, 18}, 0},
    {IDC_WRITE_ALL, PushButton, "Write All", {307, 366, 65, 18}, 0},
    {kIdCancel, PushButton, "EXIT", {419, 366, 59, 18}, 0},
    // What takes no input: the hidden feature numbers, then the group boxes
    {kNoId, Label, "[99/x63]", {279, 92, 33, 11}, kHidden | kDisabled},
    {kNoId, Label, "[98/x62]", {233, 174, 31, 9}, kHidden | kDisabled},
    {kNoId, Label, "[100/x64]", {236, 242, 33, 11}, kHidden | kDisabled},
    {kNoId, Label, "[102/x66]", {259, 268, 35, 9}, kHidden | kDisabled},
    {kNoId, Label, "[101/x65]", {258, 337, 33, 10}, kHidden | kDisabled},
    {kNoId, Label, "[85/x55]", {270, 184, 32, 9}, kHidden | kDisabled | kRightAligned},
    {kNoId, Label, "[76/x4C]", {267, 206, 30, 10}, kHidden | kDisabled | kRightAligned},
    {kNoId, Label, "[96/x60]", {277, 25, 29, 12}, kHidden | kDisabled | kRightAligned},
    {kNoId, Label, "[97/x61]", {264, 39, 29, 11}, kHidden | kDisabled | kRightAligned},
    {kNoId, Label, "[86/x56]", {267, 144, 31, 11}, kHidden | kDisabled | kRightAligned},
    {kNoId, Label, "[87/x57]", {270, 161, 30, 9}, kHidden | kDisabled | kRightAligned},
    {kNoId, GroupBox, "PRINTER OPTIONS", {12, 11, 244, 82}, 0},
    {kNoId, GroupBox, "FONT OPTIONS", {11, 101, 245, 81}, 0},
    {kNoId, GroupBox, "ML VALIDATION OPTIONS", {12, 189, 244, 61}, 0},
    {kNoId, GroupBox, "MISCELLANEOUS OPTIONS", {12, 258, 245, 61}, 0},
    {kNoId, GroupBox, "TEST/DEBUGGING OPTIONS", {11, 324, 247, 43}, 0},
    {kNoId, GroupBox, "DEFAULT FONTS", {300, 11, 196, 41}, 0},
    {kNoId, GroupBox, "EMULATION OPTIONS", {299, 61, 197, 58}, 0},
    {kNoId, GroupBox, "SETUP ID", {299, 128, 197, 99}, 0},
    {kNoId, GroupBox, "FACTORY USE:  Feature Values", {299, 238, 198, 49}, 0},
});

constexpr std::array kAboutBoxItems = std::to_array<DialogItem>({
    {kNoId, Icon, "", {11, 17, 20, 20}, 0},
    {kNoId, Label, "tq9000_config_app Version 1.0", {40, 10, 119, 8}, kNoPrefix},
    {kNoId, Label, kNotice, {40, 25, 119, 8}, 0},
    {kIdOk, DefaultPushButton, "OK", {178, 7, 50, 14}, 0},
});

// Popup, visible, caption, system menu, modal frame; no minimise or maximise box.
const DialogTemplate kConfigForm{
    IDD_CONFIG_FORM, "tq9000_config_app", 504, 394, "MS Sans Serif", 8, true, kConfigFormItems};

const DialogTemplate kAboutBox{
    IDD_ABOUTBOX, "About tq9000_config_app", 235, 55, "MS Sans Serif", 8, false, kAboutBoxItems};

}  // namespace

bool DialogItem::IsTabStop() const {
    switch (kind) {
        case PushButton:
        case DefaultPushButton:
        case Edit:
        case CheckBox:
        case DropDownCombo:
        case DropDownList:
            return !Has(kNotTabStop);
        default:
            return false;
    }
}

bool DialogItem::HoldsState() const {
    switch (kind) {
        case Edit:
        case CheckBox:
        case DropDownCombo:
        case DropDownList:
        case ProgressBar:
            return true;
        default:
            return false;
    }
}

const DialogTemplate& ConfigFormTemplate() {
    return kConfigForm;
}

const DialogTemplate& AboutBoxTemplate() {
    return kAboutBox;
}

const DialogTemplate* FindDialogTemplate(int templateId) {
    for (const DialogTemplate* dialog : {&kConfigForm, &kAboutBox}) {
        if (dialog->id == templateId) {
            return dialog;
        }
    }
    return nullptr;
}

const DialogItem* FindDialogItem(const DialogTemplate& dialog, int id) {
    if (id == kNoId) {
        return nullptr;
    }
    for (const DialogItem& item : dialog.items) {
        if (item.id == id) {
            return &item;
        }
    }
    return nullptr;
}

}  // namespace tq
