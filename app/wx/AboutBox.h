// The About box (template 100): the icon, the name and version, a notice, and "OK", which also
// answers Escape and the close box.
#pragma once

#include <wx/dialog.h>

namespace tq {

class CAboutBox : public wxDialog {
public:
    CAboutBox();  // template 100, no parent: the application's main window owns it
    // False when the toolkit refused the window (reported on standard error): do not show it.
    bool Loaded() const { return loaded_; }

private:
    bool loaded_ = false;
};

}  // namespace tq
