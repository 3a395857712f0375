// The serial-port calls on a terminal: the DCB translated to termios and back, and the
// COMMTIMEOUTS kept with the handle. The DCB fields that termios has no place for are kept with
// the handle too, so that GetCommState reports them as they were last set.
#pragma once

#include <termios.h>

#include "platform/posix/Handles.h"

namespace tq::posix {

// The DCB that a port reports before anyone set one through this handle: binary mode, DTR and
// RTS on (the kernel raises both at open), the usual XON/XOFF characters and limits.
DCB InitialSettings();

// The translation itself. DcbToTermios makes the line raw and sets what the DCB asks for; false
// for a rate, byte size (5 to 8), parity (0 to 4) or stop bits (one or two) that termios cannot
// express. TermiosToDcb reads a line back into the DCB last set, keeping the fields that termios
// has no place for.
bool DcbToTermios(const DCB& dcb, termios& t);
DCB TermiosToDcb(const termios& t, const DCB& lastSet);

// Gives the terminal back the settings it had before the handle first changed them (a port that
// is also someone's terminal, /dev/tty, is left as it was found), after the bytes still queued
// have left; bounded, so that a line held by its handshake cannot keep the close waiting.
void RestoreLine(const FileObject& file);

BOOL ReadCommState(FileObject& file, DCB* dcb);
// Fails, leaving the port as it was, for a rate, byte size, parity or stop-bit setting that
// termios cannot express.
BOOL WriteCommState(FileObject& file, const DCB* dcb);

BOOL ReadCommTimeouts(const FileObject& file, COMMTIMEOUTS* timeouts);
BOOL WriteCommTimeouts(FileObject& file, const COMMTIMEOUTS* timeouts);

}  // namespace tq::posix
