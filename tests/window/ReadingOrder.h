// The main form's tab order as a person reads the form: the left column's groups from top to
// bottom, then the right column's, each row from left to right, then the four command buttons. The
// window tests of both forms walk Tab through the form and compare what takes the focus with this.
#pragma once

#include <algorithm>
#include <vector>

#include "framework/ControlIds.h"

namespace tq::test {

// clang-format off
inline const std::vector<int> kReadingOrder = {
    1054, 1053, 1052, 1051, 1050, 1049,                          // PRINTER OPTIONS
    1048, 1047, 1046, 1045, 1044, 1043,                          // FONT OPTIONS
    1041, 1042, IDC_REDUCED_SPACING, IDC_LINES_TO_SKIP,          // ML VALIDATION OPTIONS
    1040, IDC_AUTO_HEADER, IDC_AUTO_FOOTER, IDC_TEXT_COMMANDS,   // MISCELLANEOUS OPTIONS
    1037, 1038, 1039,                                            // TEST/DEBUGGING OPTIONS
    IDC_JOURNAL_FONT, IDC_VALIDATION_FONT,                       // DEFAULT FONTS
    1058, 1057, 1056, 1055,                                      // EMULATION OPTIONS
    IDC_SETUP_VERSION, IDC_SETUP_REVISION, IDC_CUSTOMER_SPECIAL_VERSION,
    IDC_CLAMP_DELAY,                                             // SETUP ID
    IDC_FEATURE_ID, IDC_GET,                                     // FACTORY USE
    IDC_READ_ALL, IDC_STATUS_TEST_PRINT, IDC_WRITE_ALL, kIdCancel,
};
// clang-format on

// The controls that Tab gives the focus to, one press after another, from the one that has it
// when the form opens (Read All) round to it again.
inline std::vector<int> TabWalkFromReadAll() {
    std::vector<int> walk = kReadingOrder;
    std::rotate(walk.begin(), std::find(walk.begin(), walk.end(), IDC_READ_ALL), walk.end());
    walk.push_back(IDC_READ_ALL);
    return walk;
}

}  // namespace tq::test
