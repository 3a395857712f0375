#include "cli/HeadlessConfigForm.h"

#include "framework/ControlIds.h"

namespace tq {

void AddConfigFormControls(HeadlessForm& form) {
    for (int id :
         {IDC_CLAMP_DELAY, IDC_CUSTOMER_SPECIAL_VERSION, IDC_SETUP_VERSION, IDC_SETUP_REVISION,
          IDC_LINES_TO_SKIP, IDC_FEATURE_ID, IDC_FEATURE_VALUE, IDC_VERSION}) {
        form.AddEdit(id);
    }
    form.AddComboBox(IDC_JOURNAL_FONT);
    form.AddComboBox(IDC_VALIDATION_FONT);
    for (int id = IDC_FIRST_CHECK_BOX; id <= IDC_LAST_CHECK_BOX; ++id) {
        form.AddCheckBox(id);
    }
    for (int id : {IDC_AUTO_HEADER, IDC_AUTO_FOOTER, IDC_REDUCED_SPACING, IDC_TEXT_COMMANDS}) {
        form.AddCheckBox(id);
    }
    form.AddProgressBar(IDC_PROGRESS);
}

}  // namespace tq
