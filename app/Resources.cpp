#include "app/Resources.h"

#include <wx/icon.h>
#include <wx/mstream.h>
#include <wx/xml/xml.h>
#include <wx/xrc/xmlres.h>

#include <cstdio>
#include <memory>
#include <string>

namespace tq {

extern const char kDialogTemplatesXrc[];

namespace {

#include "res/icon-16.xpm"
#include "res/icon-32.xpm"

bool g_templatesLoaded = false;

}  // namespace

bool LoadDialogTemplates() {
    if (g_templatesLoaded) {
        return true;
    }
    wxXmlResource::Get()->InitAllHandlers();
    wxMemoryInputStream stream(kDialogTemplatesXrc,
                               std::char_traits<char>::length(kDialogTemplatesXrc));
    auto document = std::make_unique<wxXmlDocument>();
    if (!document->Load(stream) || !document->IsOk()) {
        std::fprintf(stderr, "tq9000_config_app: the compiled-in dialog templates do not parse\n");
        return false;
    }
    // The loader takes the document over.
    g_templatesLoaded = wxXmlResource::Get()->LoadDocument(document.release(), "dialogs.xrc");
    if (!g_templatesLoaded) {
        std::fprintf(stderr, "tq9000_config_app: the dialog templates were refused\n");
    }
    return g_templatesLoaded;
}

// XRC turns "504,394d" into pixels with the dialog's font not yet applied, so the dialog comes out
// the wrong size; its owner reads the dialog-unit size here and applies it again.
wxSize TemplateSizeInDialogUnits(const wxString& templateName) {
    const wxXmlNode* dialog = wxXmlResource::Get()->GetResourceNode(templateName);
    for (const wxXmlNode* child = dialog ? dialog->GetChildren() : nullptr; child != nullptr;
         child = child->GetNext()) {
        long width = 0;
        long height = 0;
        const wxString text = child->GetNodeContent().Trim().Trim(false);
        if (child->GetName() == "size" && text.EndsWith("d") &&
            text.BeforeFirst(',').ToLong(&width) &&
            text.AfterFirst(',').RemoveLast().ToLong(&height)) {
            return wxSize(static_cast<int>(width), static_cast<int>(height));
        }
    }
    return wxDefaultSize;
}

wxIconBundle AppIcons() {
    wxIconBundle icons;
    icons.AddIcon(wxIcon(tq_icon_32_xpm));
    icons.AddIcon(wxIcon(tq_icon_16_xpm));
    return icons;
}

wxIcon AppIcon32() {
    return wxIcon(tq_icon_32_xpm);
}

}  // namespace tq
