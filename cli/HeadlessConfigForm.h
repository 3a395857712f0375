// The main form's controls, for a form without a window: every edit, check box, combo box and the
// progress bar that the commands read or fill, under the identifiers of the dialog template.
#pragma once

#include "framework/HeadlessForm.h"

namespace tq {

void AddConfigFormControls(HeadlessForm& form);

}  // namespace tq
