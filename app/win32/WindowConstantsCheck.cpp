// The framework numbers the message-box types, the combo box's "no selection" and the standard
// button ids under names of its own, so that no layer above the platform needs windows.h for them.
// Here, in the Win32 front end, where windows.h is at hand, the compiler holds those numbers to
// Win32's (the platform seam knows no windows, so the check is not its). windows.h comes first,
// bare: the framework's headers must build after all of its macros.
#include <windows.h>

#include "framework/ControlIds.h"
#include "framework/HeadlessForm.h"
#include "framework/MessageBoxes.h"
#include "framework/WindowOps.h"

static_assert(tq::kMbOk == MB_OK);
static_assert(tq::kMbIconInformation == MB_ICONINFORMATION);
static_assert(tq::kCbErr == CB_ERR);
static_assert(tq::kIdOk == IDOK);
static_assert(tq::kIdCancel == IDCANCEL);
