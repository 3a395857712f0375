// The application: registers the common controls the form uses, installs the message sink through
// which every box of the link and the commands is shown, and runs the main form modally. The
// program ends when the form closes; nothing is saved.
#pragma once

#include "app/win32/Win32Api.h"

namespace tq {

// Returns the program's exit status: 0 once the form has closed, 1 when it could not be shown.
int RunConfigApp(HINSTANCE instance);

}  // namespace tq
