#include "cli/HeadlessConfigForm.h"

#include <gtest/gtest.h>

#include <ostream>

#include "res/DialogTemplates.h"

namespace tq {
namespace {

enum class Kept { Nothing, Text, Check, List, Progress };

void PrintTo(Kept kept, std::ostream* out) {
    static const char* const kNames[] = {"nothing", "text", "check", "list", "progress"};
    *out << kNames[static_cast<int>(kept)];
}

// What the headless form keeps under that id, found out as the commands would: by using it.
Kept WhatTheFormKeeps(HeadlessForm& form, int id) {
    if (!form.Holds(id)) {
        return Kept::Nothing;
    }
    form.SetCheck(id, 1);
    form.AddString(id, "entry");
    form.SetPos(id, 7);
    if (form.GetCheck(id) == 1) {
        return Kept::Check;
    }
    if (form.Items(id).size() == 1) {
        return Kept::List;
    }
    return form.ProgressOf(id).pos == 7 ? Kept::Progress : Kept::Text;
}

Kept WhatTheItemHolds(const DialogItem* item) {
    if (item == nullptr || !item->HoldsState()) {
        return Kept::Nothing;
    }
    switch (item->kind) {
        case ItemKind::CheckBox:
            return Kept::Check;
        case ItemKind::DropDownCombo:
        case ItemKind::DropDownList:
            return Kept::List;
        case ItemKind::ProgressBar:
            return Kept::Progress;
        default:
            return Kept::Text;
    }
}

// Every identifier a template can carry: the form holds a control exactly where the main form's
// template has an item that holds state, and of that item's kind; nothing for labels and buttons
// with ids of their own (1082, 1073, EXIT), nothing anywhere else.
TEST(HeadlessConfigFormTest, HoldsExactlyTheTemplatesStatefulItemsEachAsItsKind) {
    HeadlessForm form;
    AddConfigFormControls(form);
    int held = 0;
    for (int id = 0; id <= 0xFFFF; ++id) {
        const Kept expected = WhatTheItemHolds(FindDialogItem(ConfigFormTemplate(), id));
        ASSERT_EQ(WhatTheFormKeeps(form, id), expected) << "id " << id;
        held += expected == Kept::Nothing ? 0 : 1;
    }
    EXPECT_EQ(held, 37);  // 8 edits, 26 check boxes, 2 font lists, the progress bar
}

}  // namespace
}  // namespace tq
