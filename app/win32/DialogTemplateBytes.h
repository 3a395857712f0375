// The dialog templates of res/DialogTemplates turned into what the Win32 dialog manager reads: an
// in-memory DLGTEMPLATEEX, its items in template order, each with the window class and styles its
// kind and flags stand for. Pure: no window is created, so the bytes can be checked on their own.
#pragma once

#include <cstddef>
#include <vector>

#include "app/win32/Win32Api.h"
#include "res/DialogTemplates.h"

namespace tq {

// Window styles of the dialog itself: a modal frame with caption and system menu, font given.
DWORD DialogStyle(const DialogTemplate& dialog);
DWORD DialogExStyle(const DialogTemplate& dialog);

// The predefined class an item is made of ("Button", "Edit", "Static", "ComboBox") or comctl32's
// progress bar class.
const char* ItemClassName(ItemKind kind);
DWORD ItemStyle(const DialogItem& item);

// The whole template, ready for DialogBoxIndirectParam. Its storage is aligned for the DWORDs it
// holds.
std::vector<std::byte> BuildDialogTemplate(const DialogTemplate& dialog);

}  // namespace tq
