// Advice for a printer that could not be opened. A box that reports an open that failed carries
// the failure as a value: the cause, the system's error, the device a name stood for, the setting
// that mapped it there, the group whose members may open it, the printer the user named. After
// such a box tq9000ctl adds one line, "hint: ...", saying what the user can do about it. The boxes
// themselves stay exactly as the desktop form shows them.
#pragma once

#include <string>

#include "framework/Failure.h"
#include "framework/MessageBoxes.h"

namespace tq::cli {

// The hint that follows a box (without "hint: "), or "" when there is nothing to add. Only the
// box that first tells of an open that failed explains it: the link's own application-wide box
// ("Error opening printer"), and the notice that no USB printer is online when one that was found
// could not be opened. The command's box that follows the link's only repeats that it failed.
std::string HintAfter(const MessageBoxEvent& box);

// The advice for one failed open; "" for a cause the user can do nothing particular about.
std::string OpenHint(const Failure& failure);

}  // namespace tq::cli
