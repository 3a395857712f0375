#include "app/win32/ConfigApp.h"

#include "app/win32/ConfigForm.h"
#include "framework/MessageBoxes.h"

namespace tq {

int RunConfigApp(HINSTANCE instance, MessageSink* boxes) {
    CConfigForm form(instance);
    return RunConfigForm(form, boxes);
}

int RunConfigForm(CConfigForm& form, MessageSink* boxes) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    Win32MessageSink shown(form.Ops());
    ScopedMessageSink installed(boxes != nullptr ? boxes : &shown);
    return form.DoModal() == -1 ? 1 : 0;
}

}  // namespace tq
