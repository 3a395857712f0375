// How tq9000ctl puts text on a terminal or into a log that other runs share. Text that came from
// the printer is escaped before it is shown, so that a stray escape sequence in a reply cannot
// move the cursor, retitle the window or hide a line. Each line goes to its stream in one call, so
// that many runs writing to one standard error interleave whole lines, never parts of them.
#pragma once

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace tq::cli {

// Printable ASCII (0x20 to 0x7E) as it is, a backslash as "\\", every other byte as "\xNN" with
// two upper-case hexadecimal digits. Bytes from 0x80 up are escaped too: the printer's text has no
// declared encoding, and passing them on would let a terminal read them as UTF-8 or C1 controls.
std::string EscapeForTerminal(std::string_view text);

// A name the system or the user gave (a file, a device path, a port, a command-line argument):
// escaped as above, except that a backslash stays one. It is Windows' path separator, and a
// device path that `list` shows must be one that --usb takes back as it stands.
std::string EscapeNameForTerminal(std::string_view name);

// Hands `text` (one or more whole lines) to the stream in a single write and flushes it. When
// that fails, the system's reason is kept with the stream for LostOutputText.
void WriteWhole(std::ostream& stream, std::string_view text);

// One line of tq9000ctl's own on standard error, "tq9000ctl: TEXT". TEXT often quotes what someone
// else wrote (an argument, a profile's key or value, a file name, a setting), so it is escaped as a
// name is: control characters cannot reach the terminal from any message.
void WriteProgramLine(std::ostream& stream, std::string_view text);
// "standard output: cannot be written: No space left on device": standard output that failed in
// WriteWhole, with the reason of its first failure when the system gave one.
std::string LostOutputText(std::ostream& out);

// "ClampDelay, LinesToSkip": names in a sentence.
std::string Joined(const std::vector<std::string>& names);

}  // namespace tq::cli
