#include "app/AboutBox.h"

#include <wx/statbmp.h>
#include <wx/xrc/xmlres.h>

#include <cstdio>

#include "app/NativeLook.h"
#include "app/Resources.h"
#include "framework/ControlIds.h"

namespace tq {

namespace {

void ShowIcon(wxDialog& box) {
    for (wxWindow* child : box.GetChildren()) {
        if (auto* picture = dynamic_cast<wxStaticBitmap*>(child)) {
            picture->SetIcon(AppIcon32());
            return;
        }
    }
}

}  // namespace

CAboutBox::CAboutBox() {
    if (!wxXmlResource::Get()->LoadDialog(this, nullptr, kAboutBoxTemplate)) {
        std::fprintf(stderr, "tq9000_config_app: template %s is missing\n", kAboutBoxTemplate);
        return;
    }
    loaded_ = true;
    SetClientSize(ConvertDialogToPixels(TemplateSizeInDialogUnits(kAboutBoxTemplate)));
    FitTemplateLook(*this);
    ShowIcon(*this);
    // "OK" is button 1, not wx's own OK: it ends the box, and Escape and the close box press it.
    SetAffirmativeId(kIdOk);
    SetEscapeId(kIdOk);
}

}  // namespace tq
