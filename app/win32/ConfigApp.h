// The application: registers the common controls the form uses, installs the message sink through
// which every box of the link and the commands is shown, and runs the main form modally. The
// program ends when the form closes; nothing is saved.
#pragma once

#include <functional>

#include "app/win32/Win32Api.h"

namespace tq {

class CConfigForm;
class MessageSink;

// Returns the program's exit status: 0 once the form has closed, 1 when it could not be shown.
// Boxes are shown owned by the form, unless `boxes` is given to take them instead (the start-up
// benchmark answers them unseen).
// `formMade`, when given, sees the form before it is shown (a test keeps it to look at its link).
int RunConfigApp(HINSTANCE instance, MessageSink* boxes = nullptr,
                 const std::function<void(CConfigForm&)>& formMade = {});

}  // namespace tq
