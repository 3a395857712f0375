#include "app/win32/ConfigApp.h"

#include "app/win32/ConfigForm.h"
#include "framework/MessageBoxes.h"

namespace tq {

// The common controls are registered before the form is made, as the program always did.
int RunConfigApp(HINSTANCE instance, MessageSink* boxes,
                 const std::function<void(CConfigForm&)>& formMade) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    CConfigForm form(instance);
    if (formMade) {
        formMade(form);
    }
    Win32MessageSink shown(form.Ops());
    ScopedMessageSink installed(boxes != nullptr ? boxes : &shown);
    return form.DoModal() == -1 ? 1 : 0;
}

}  // namespace tq
