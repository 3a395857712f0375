// The main form's control identifiers, as its dialog template numbers them. The desktop form, the
// headless form and the commands all address the controls by these numbers.
#pragma once

#include "framework/WindowConstants.h"

namespace tq {

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_CONFIG_FORM = 102;
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDM_ABOUTBOX = 0x0010;

// The form's "EXIT" button and the About box's "OK" are the standard buttons kIdCancel and kIdOk.

// SETUP ID
inline constexpr int IDC_CLAMP_DELAY = 1000;
inline constexpr int IDC_CUSTOMER_SPECIAL_VERSION = 1001;
inline constexpr int IDC_SETUP_VERSION = 1002;
inline constexpr int IDC_SETUP_REVISION = 1003;

// DEFAULT FONTS
inline constexpr int IDC_JOURNAL_FONT = 1011;     // drop-down, editable
inline constexpr int IDC_VALIDATION_FONT = 1015;  // drop-down list

inline constexpr int IDC_LINES_TO_SKIP = 1028;
inline constexpr int IDC_STATUS_TEST_PRINT = 1036;

// Check boxes 1037..1058, 1077, 1078, 1081, 1084 are addressed by number through the feature map.
inline constexpr int IDC_FIRST_CHECK_BOX = 1037;
inline constexpr int IDC_LAST_CHECK_BOX = 1058;
inline constexpr int IDC_AUTO_HEADER = 1077;
inline constexpr int IDC_AUTO_FOOTER = 1078;
inline constexpr int IDC_REDUCED_SPACING = 1081;
inline constexpr int IDC_TEXT_COMMANDS = 1084;

// FACTORY USE:  Feature Values
inline constexpr int IDC_FEATURE_ID = 1070;
inline constexpr int IDC_FEATURE_VALUE = 1071;
inline constexpr int IDC_GET = 1073;

inline constexpr int IDC_READ_ALL = 1075;
inline constexpr int IDC_WRITE_ALL = 1076;
inline constexpr int IDC_PROGRESS = 1079;
inline constexpr int IDC_VERSION_LABEL = 1082;
inline constexpr int IDC_VERSION = 1083;

}  // namespace tq
