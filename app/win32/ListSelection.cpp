#include "app/win32/ListSelection.h"

namespace tq {

namespace {

// After the combo box's own choice of entry on opening; after it has closed without a choice.
constexpr UINT kOpened = WM_APP + 1;
constexpr UINT kCancelled = WM_APP + 2;

std::string TextOf(HWND window) {
    std::string text(static_cast<std::size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::string EntryText(HWND combo, int index) {
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR) {
        return {};
    }
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
}

// CB_FINDSTRINGEXACT ignores case; the entry must be the very text.
int ExactEntry(HWND combo, const std::string& text) {
    const auto count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int index = 0; index < count; ++index) {
        if (EntryText(combo, index) == text) {
            return index;
        }
    }
    return CB_ERR;
}

bool IsOpen(HWND combo) {
    return SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0) != 0;
}

}  // namespace

void ListSelectionKeeper::OnNotification(HWND dialog, int id, WORD notification) {
    const HWND combo = GetDlgItem(dialog, id);
    switch (notification) {
        case CBN_DROPDOWN:
            open_ = true;
            id_ = id;
            selection_ = static_cast<int>(SendMessageA(combo, CB_GETCURSEL, 0, 0));
            text_ = TextOf(combo);
            PostMessageA(dialog, kOpened, static_cast<WPARAM>(id), 0);
            return;
        case CBN_SELENDOK:
            open_ = open_ && id != id_;
            return;
        case CBN_SELENDCANCEL:  // also sent whenever the box loses the focus, open or not
            if (open_ && id == id_) {
                PostMessageA(dialog, kCancelled, static_cast<WPARAM>(id), 0);
            }
            return;
        default:
            return;
    }
}

bool ListSelectionKeeper::OnPosted(HWND dialog, UINT message, WPARAM id) {
    if (message != kOpened && message != kCancelled) {
        return false;
    }
    if (!open_ || static_cast<int>(id) != id_) {
        return true;
    }
    const HWND combo = GetDlgItem(dialog, id_);
    if (message == kOpened && IsOpen(combo)) {
        ShowExactEntry(combo);
    } else if (message == kCancelled) {
        open_ = false;
        PutBack(combo);
    }
    return true;
}

// While the list is open, any change of the field's text makes the combo box choose again by the
// text's beginning; the entry is therefore cleared in the list itself, after the text is set.
void ListSelectionKeeper::ShowExactEntry(HWND combo) const {
    const int exact = ExactEntry(combo, text_);
    if (exact != CB_ERR) {
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(exact), 0);
        return;
    }
    COMBOBOXINFO parts{};
    parts.cbSize = sizeof parts;
    if (!GetComboBoxInfo(combo, &parts)) {
        return;
    }
    if (parts.hwndItem != nullptr && parts.hwndItem != combo && TextOf(parts.hwndItem) != text_) {
        SetWindowTextA(parts.hwndItem, text_.c_str());
    }
    SendMessageA(parts.hwndList, LB_SETCURSEL, static_cast<WPARAM>(-1), 0);
}

// Closed, a change of the text clears the selection rather than choosing one.
void ListSelectionKeeper::PutBack(HWND combo) const {
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(selection_), 0);
    if (selection_ == CB_ERR && TextOf(combo) != text_) {
        SetWindowTextA(combo, text_.c_str());
    }
}

}  // namespace tq
