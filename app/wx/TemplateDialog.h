// Builds a wx dialog from one of the utility's dialog templates: the caption, the font, every item
// in template order (so the tab order is the template's) at its cell converted from dialog units,
// with the template's states and styles, and the client size the template gives. The same tables
// feed the Win32 dialog and the headless form, so the three cannot drift apart.
#pragma once

#include <wx/dialog.h>

#include "res/DialogTemplates.h"

namespace tq {

// Creates the dialog's window (no parent) with its items; false when the toolkit refused it.
bool CreateFromTemplate(wxDialog& dialog, const DialogTemplate& dialogTemplate);

}  // namespace tq
