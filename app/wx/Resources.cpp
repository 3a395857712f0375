#include "app/wx/Resources.h"

#include <wx/icon.h>

namespace tq {

namespace {

#include "res/icon-16.xpm"
#include "res/icon-32.xpm"

}  // namespace

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
