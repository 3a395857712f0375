// The utility's resources as the program finds them at run time: the two dialog templates, which
// are compiled in (so a moved or half-installed copy still opens its form), and the application
// icon in its two sizes.
#pragma once

#include <wx/gdicmn.h>
#include <wx/iconbndl.h>
#include <wx/string.h>

namespace tq {

// Template names, as the XRC names the two dialogs.
inline const char* const kAboutBoxTemplate = "100";
inline const char* const kConfigFormTemplate = "102";

// Registers the compiled-in templates with the XRC loader; idempotent. False, with the reason on
// standard error, when they cannot be parsed.
bool LoadDialogTemplates();

// The size a template gives its dialog, in dialog units (wxDefaultSize when it gives none).
wxSize TemplateSizeInDialogUnits(const wxString& templateName);

// Icon 128: the 32x32 and 16x16 images.
wxIconBundle AppIcons();
wxIcon AppIcon32();

}  // namespace tq
