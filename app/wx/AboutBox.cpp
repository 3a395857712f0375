#include "app/wx/AboutBox.h"

#include "app/wx/TemplateDialog.h"
#include "framework/ControlIds.h"

namespace tq {

CAboutBox::CAboutBox() {
    loaded_ = CreateFromTemplate(*this, AboutBoxTemplate());
    if (!loaded_) {
        return;
    }
    // "OK" is button 1, not wx's own OK: it ends the box, and Escape and the close box press it.
    SetAffirmativeId(kIdOk);
    SetEscapeId(kIdOk);
}

}  // namespace tq
