// The utility's string table: texts that the program loads by number, as it loads its templates
// and its icon.
#pragma once

#include <string>

namespace tq {

// The text of string `id`, or an empty text for a number the table does not hold.
inline std::string LoadResourceString(int id) {
    switch (id) {
        case 101:  // the window menu's About entry
            return "&About tq9000_config_app...";
        default:
            return {};
    }
}

}  // namespace tq
