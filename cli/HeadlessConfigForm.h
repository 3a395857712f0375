// The main form without a window: every item of its dialog template that holds state (edits, check
// boxes, combo boxes, the progress bar), under the template's identifiers, so that the commands
// find the same controls here as on the desktop form.
#pragma once

#include "framework/HeadlessForm.h"
#include "res/DialogTemplates.h"

namespace tq {

// Adds a control to the form for every item of the template that holds state.
void AddTemplateControls(HeadlessForm& form, const DialogTemplate& dialog);

// The main form's template.
void AddConfigFormControls(HeadlessForm& form);

}  // namespace tq
