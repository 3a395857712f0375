#include "cli/HeadlessConfigForm.h"

namespace tq {

void AddTemplateControls(HeadlessForm& form, const DialogTemplate& dialog) {
    for (const DialogItem& item : dialog.items) {
        switch (item.kind) {
            case ItemKind::Edit:
                form.AddEdit(item.id);
                break;
            case ItemKind::CheckBox:
                form.AddCheckBox(item.id);
                break;
            case ItemKind::DropDownCombo:
            case ItemKind::DropDownList:
                form.AddComboBox(item.id);
                break;
            case ItemKind::ProgressBar:
                form.AddProgressBar(item.id);
                break;
            default:
                break;  // holds no state
        }
    }
}

void AddConfigFormControls(HeadlessForm& form) {
    AddTemplateControls(form, ConfigFormTemplate());
}

}  // namespace tq
