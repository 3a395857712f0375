// The framework numbers the message-box types, the combo box's "no selection" and the standard
// button ids under names of its own, so that no layer above the platform needs windows.h for them.
// Here, where windows.h is at hand, the compiler holds those numbers to Win32's. windows.h comes
// first, as in a Win32 front end: the framework's headers must build after its macros.
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
