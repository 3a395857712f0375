// Keeps what a font list has selected when its list is opened and closed without a choice. An
// editable drop-down opens on the first entry that begins with its text: "Standard" opens on
// "Standard - Default", the entry above it, and Write All would then store that font. The form
// shows the entry whose text is exactly the field's (or none) while the list is open, and a list
// closed without a choice (Escape, a click elsewhere, the focus moving on) goes back to the
// selection and the text it had before it opened. A choice (Enter, a click on an entry) stands.
#pragma once

#include <string>

#include "app/win32/Win32Api.h"

namespace tq {

class ListSelectionKeeper {
public:
    // A combo box's notification, as WM_COMMAND brings it to the dialog.
    void OnNotification(HWND dialog, int id, WORD notification);
    // The keeper posts itself two messages, so that it acts after the combo box has finished what
    // it does on opening and closing. True when `message` is one of them.
    bool OnPosted(HWND dialog, UINT message, WPARAM id);

private:
    void ShowExactEntry(HWND combo) const;
    void PutBack(HWND combo) const;

    // The list that is open, and how it stood before it opened.
    bool open_ = false;
    int id_ = 0;
    int selection_ = CB_ERR;
    std::string text_;
};

}  // namespace tq
