// Link selection and device tracking. The printer is attached either as a USB printer-class device
// or on COM1:. This remembers whether the USB printer is present (DeviceState), keeps its handle
// open across commands, and for each command chooses ActiveLink: the USB handle when the printer
// is online, otherwise COM1:, opened and configured for that command and closed at its end. It
// also decides what the user is told when the system announces a change of devices.
#pragma once

#include "platform/Platform.h"

namespace tq {

class WindowOps;

enum class DeviceState { Unknown = 0, Online = 1, Offline = 2 };
enum class DeviceEvent { NoChange = 0, CameOnline = 1, WentOffline = 2 };

// Brackets every command: 0 when ActiveLink is ready, -1 when COM1: could not be opened, or the
// USB printer the selection names is not there (its own message has been shown; the caller adds
// its own and does not call ClosePrinterLink).
int OpenPrinterLink();
// Pays any quiet period the command left owed (TimedTransfer.h), then closes COM1: if the command
// opened it; the USB handle stays open.
void ClosePrinterLink();

int OpenComPort();
// 1 when a USB printer interface was found and opened into UsbHandle, else 0. Shows nothing.
// Which interface counts is the printer selection's to say (PrinterSelection.h).
int FindUsbPrinter();
void CloseUsbHandle();
DeviceEvent PollUsbPrinter();
// For every device-change notice the system sends the form.
void HandleDeviceChange(WindowOps& form);

// The link state, read by the transfers and by tests.
HANDLE ActiveLink();
HANDLE UsbHandle();
HANDLE ComHandle();
bool ComOpened();
DeviceState CurrentDeviceState();
const char* UsbDevicePath();
const DCB& SerialSettings();
const COMMTIMEOUTS& SerialTimeouts();

// Why the latest open of COM1:, or of the USB printer interface in the latest discovery, failed:
// the platform's error code and what else it knew, kept for a front end that explains "Error
// opening printer" or an offline printer. Error ERROR_SUCCESS when that open succeeded or was not
// tried.
struct OpenFailure {
    DWORD error = ERROR_SUCCESS;
    OpenFailureDetail detail;
};
const OpenFailure& LastComOpenFailure();
const OpenFailure& LastUsbOpenFailure();

// Puts the link state back to its start (all handles none, DeviceState Unknown, the form's own
// printer selection, no quiet period owed) without closing anything; for tests, each of which
// starts a fresh program.
void ResetPrinterLinkForTest();

}  // namespace tq
