// The utility's icon as the wx form shows it: icon 128 in its two sizes, compiled in so that a
// moved or half-installed copy of the program still shows it. The dialog templates themselves are
// in res/DialogTemplates.h.
#pragma once

#include <wx/iconbndl.h>

namespace tq {

// Icon 128: the 32x32 and 16x16 images.
wxIconBundle AppIcons();
wxIcon AppIcon32();

}  // namespace tq
