// Makes the toolkit draw our dialog-unit templates the way they were laid out. The templates place
// every control at a fixed size in dialog units, sized for the compact controls of Windows; GTK's
// stock theme draws edits, combo boxes, buttons and check boxes taller than those cells, and its
// labels neither wrap nor centre vertically as Windows statics do. Implemented for GTK 3, the only
// toolkit the wx front end is built on.
#pragma once

#include <wx/dialog.h>
#include <wx/stattext.h>

namespace tq {

// Once per process, before the first dialog is shown: the application's own compact style,
// applied only to windows marked by FitTemplateLook.
void InstallCompactStyle();

// For a dialog built from a template: marks it for the compact style, lets its labels wrap within
// their cells, as static controls do, and makes each combo box one tab stop, as on Windows.
void FitTemplateLook(wxDialog& dialog);

// A label whose text sits in the vertical middle of its cell.
void CentreLabelVertically(wxStaticText& label);

}  // namespace tq
