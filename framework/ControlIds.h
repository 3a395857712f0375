// The numbers of the utility's resources, each named once: the two dialog templates, the icon, the
// string table's entry, and the main form's controls as its dialog template numbers them. The
// templates (res/DialogTemplates), the feature map, both desktop forms, the headless form and the
// commands all address the controls by these names.
#pragma once

// The Win32 resource script includes this header for the icon's and the string's numbers. The
// resource compiler reads only the preprocessor lines of a header, so those two are macros, each
// given its typed name below.
#define TQ_IDR_MAINFRAME 128
#define TQ_IDS_ABOUTBOX 101

#ifndef RC_INVOKED

#include "framework/WindowConstants.h"

namespace tq {

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_CONFIG_FORM = 102;
inline constexpr int IDR_MAINFRAME = TQ_IDR_MAINFRAME;
inline constexpr int IDS_ABOUTBOX = TQ_IDS_ABOUTBOX;
inline constexpr int IDM_ABOUTBOX = 0x0010;

// The form's "EXIT" button and the About box's "OK" are the standard buttons kIdCancel and kIdOk.

// PRINTER OPTIONS
inline constexpr int IDC_DISABLE_JOURNAL_PRINTING = 1054;
inline constexpr int IDC_DISABLE_VALIDATION_PRINTING = 1053;
inline constexpr int IDC_DISABLE_ALIGNMENT_BEFORE_VALIDATION = 1052;
inline constexpr int IDC_REPRINT = 1051;
inline constexpr int IDC_JOURNAL_COPY_OF_VALIDATION = 1050;
inline constexpr int IDC_KICKOUT_AFTER_VALIDATION = 1049;

// FONT OPTIONS
inline constexpr int IDC_FONTS_DEFAULTED_AT_LINE_END = 1048;
inline constexpr int IDC_DIPSW2_SETS_STANDARD_BOLD = 1047;
inline constexpr int IDC_DOUBLE_STRIKE_OCR = 1046;
inline constexpr int IDC_OPEN_FOUR_NUMERALS = 1045;
inline constexpr int IDC_OLDER_STYLE_LARGE_FONTS = 1044;
inline constexpr int IDC_DOUBLE_STRIKE_LARGE_BOLD = 1043;

// ML VALIDATION OPTIONS
inline constexpr int IDC_SKIP_BLANK_LEADING_LINES = 1041;
inline constexpr int IDC_AUTO_VALIDATION_MODE = 1042;
inline constexpr int IDC_REDUCED_SPACING = 1081;
inline constexpr int IDC_LINES_TO_SKIP = 1028;

// MISCELLANEOUS OPTIONS
inline constexpr int IDC_BLACKMARK_SENSOR = 1040;
inline constexpr int IDC_AUTO_HEADER = 1077;
inline constexpr int IDC_AUTO_FOOTER = 1078;
inline constexpr int IDC_TEXT_COMMANDS = 1084;

// TEST/DEBUGGING OPTIONS
inline constexpr int IDC_HEX_DUMP_MODE = 1037;
inline constexpr int IDC_DEMO_MODE = 1038;
inline constexpr int IDC_SELF_TEST_MODE = 1039;

// The notice and the version, under the left column
inline constexpr int IDC_VERSION_LABEL = 1082;
inline constexpr int IDC_VERSION = 1083;

// DEFAULT FONTS
inline constexpr int IDC_JOURNAL_FONT = 1011;     // drop-down, editable
inline constexpr int IDC_VALIDATION_FONT = 1015;  // drop-down list

// EMULATION OPTIONS
inline constexpr int IDC_STRICT_TQ8850_EMULATION = 1058;
inline constexpr int IDC_NO_RECEIVE_BUFFER_EMULATION = 1057;
inline constexpr int IDC_ADD_LF_TO_CR = 1056;
inline constexpr int IDC_TQ5150_COMPATIBILITY = 1055;

// SETUP ID
inline constexpr int IDC_SETUP_VERSION = 1002;
inline constexpr int IDC_SETUP_REVISION = 1003;
inline constexpr int IDC_CUSTOMER_SPECIAL_VERSION = 1001;
inline constexpr int IDC_CLAMP_DELAY = 1000;

// FACTORY USE:  Feature Values
inline constexpr int IDC_FEATURE_ID = 1070;
inline constexpr int IDC_GET = 1073;
inline constexpr int IDC_FEATURE_VALUE = 1071;

// PROGRESS, and the command buttons
inline constexpr int IDC_PROGRESS = 1079;
inline constexpr int IDC_READ_ALL = 1075;
inline constexpr int IDC_STATUS_TEST_PRINT = 1036;
inline constexpr int IDC_WRITE_ALL = 1076;

}  // namespace tq

#endif  // RC_INVOKED
