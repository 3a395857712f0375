// The printer-link calls the form makes, kept in a file of their own: the link's Win32 types and
// the GTK headers that wx brings in both define TRUE and FALSE, so no file may include both.
#pragma once

namespace tq {

class WindowOps;

// A device-change notice: the link polls the USB printer and may tell the user.
void PollPrinterOnDeviceChange(WindowOps& form);

}  // namespace tq
