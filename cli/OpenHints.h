// Advice for a printer that could not be opened. The link keeps why its latest opens failed (the
// platform's error code, the device a name stood for, the group whose members may open it); after
// a box that reports such a failure, tq9000ctl adds one line, "hint: ...", saying what the user
// can do about it. The boxes themselves stay exactly as the desktop form shows them.
#pragma once

#include <string>

#include "framework/MessageBoxes.h"
#include "link/PrinterLink.h"

namespace tq::cli {

// The hint that follows a box (without "hint: "), or "" when there is nothing to add: after
// "Error opening printer" why COM1: did not open (or, when --usb named the printer, why that
// printer did not), after "Usb offline, assuming COM1:" why a USB printer that discovery found
// could not be opened.
std::string HintAfter(const MessageBoxEvent& box);

// The advice for one failed open; "" for a cause the user can do nothing particular about.
std::string ComOpenHint(const OpenFailure& failure);
std::string UsbOpenHint(const OpenFailure& failure);
// When --usb named the printer: why it could not be opened, or that it is no longer attached.
std::string NamedUsbHint(const std::string& selector, const OpenFailure& failure);

}  // namespace tq::cli
