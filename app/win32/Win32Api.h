// The Windows headers as the Win32 front end uses them. windows.h maps MessageBox, GetDlgItemText
// and SetDlgItemText to their A or W forms, which would rename the window operations' own methods
// of those names; the front end calls the ANSI forms by their full names instead (every text of
// the form is ASCII).
#pragma once

// clang-format off
#include <windows.h>
#include <commctrl.h>
#include <dbt.h>
// clang-format on

#undef MessageBox
#undef GetDlgItemText
#undef SetDlgItemText
