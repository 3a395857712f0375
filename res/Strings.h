// The utility's string table: texts that the program loads by number, as it loads its templates
// and its icon. The Win32 resource script includes this header for the same texts, which are
// therefore macros (the resource compiler reads only a header's preprocessor lines).
#pragma once

#include "framework/ControlIds.h"

// String TQ_IDS_ABOUTBOX: the window menu's About entry.
#define TQ_ABOUT_ENTRY_TEXT "&About tq9000_config_app..."

#ifndef RC_INVOKED

#include <string>

namespace tq {

// The text of string `id`, or an empty text for a number the table does not hold.
inline std::string LoadResourceString(int id) {
    switch (id) {
        case IDS_ABOUTBOX:
            return TQ_ABOUT_ENTRY_TEXT;
        default:
            return {};
    }
}

}  // namespace tq

#endif  // RC_INVOKED
