// The few Win32 numbers that the window operations are given and answer in: the message-box types,
// the combo box's "no selection", and the two standard button ids that are also dialog results.
// They carry names of our own, because on Windows MB_OK, CB_ERR, IDOK and IDCANCEL are macros of
// windows.h, which a Win32 front end includes beside these headers; the layers above the platform
// never need windows.h for them. The Win32 front end checks at compile time that they are Win32's.
#pragma once

namespace tq {

// Message-box types: MB_OK (one OK button, no icon) and MB_ICONINFORMATION.
inline constexpr unsigned kMbOk = 0x00;
inline constexpr unsigned kMbIconInformation = 0x40;

// CB_ERR: what CB_GETCURSEL answers when no entry is selected.
inline constexpr int kCbErr = -1;

// IDOK and IDCANCEL: the ids of the standard buttons, and the results of the dialogs they end.
// The main form's "EXIT" button is IDCANCEL, so that Escape and the close box press it.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

}  // namespace tq
