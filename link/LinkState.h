// The state that a printer link keeps, for the two files that implement it (PrinterLink.cpp for
// the link's selection and device tracking, TimedTransfer.cpp for its transfers); nobody else
// includes this.
#pragma once

#include <vector>

#include "link/PrinterLink.h"

namespace tq {

inline constexpr DWORD kPropertySize = 2048;
inline constexpr DWORD kChunkSize = 64;

// The handles (ComHandle, UsbHandle, ActiveLink), the flags of the running command (ComOpened),
// the remembered DeviceState, what discovery read, the serial settings, and why the latest opens
// failed.
struct PrinterLink::LinkState {
    HANDLE comHandle = INVALID_HANDLE_VALUE;
    HANDLE usbHandle = INVALID_HANDLE_VALUE;
    HANDLE activeLink = INVALID_HANDLE_VALUE;
    bool comOpened = false;
    // A command is between a successful OpenPrinterLink and its ClosePrinterLink.
    bool commandRunning = false;
    DeviceState deviceState = DeviceState::Unknown;
    char devicePath[kPropertySize] = {};
    // One byte past what a property may fill, so that its text always ends.
    char driverProperty[kPropertySize + 1] = {};
    char locationProperty[kPropertySize + 1] = {};
    // The USB path that usbHandle was opened from.
    char usbHandlePath[kPropertySize] = {};
    DCB serialSettings{};
    COMMTIMEOUTS serialTimeouts{};
    // USB handles replaced while a command still used them; closed when it ends.
    std::vector<HANDLE> retiredHandles;
    OpenFailure comOpenFailure;
    OpenFailure usbOpenFailure;

    // A running command may still be using the USB handle, from inside one of its message boxes.
    bool UsbHandleInUse() const {
        return commandRunning && usbHandle != INVALID_HANDLE_VALUE && usbHandle == activeLink;
    }
    // Lets go of UsbHandle: closed now, or at the end of the command that still uses it.
    void ReleaseUsbHandle() {
        if (usbHandle == INVALID_HANDLE_VALUE) {
            return;
        }
        if (UsbHandleInUse()) {
            retiredHandles.push_back(usbHandle);
        } else {
            os::CloseHandle(usbHandle);
        }
        usbHandle = INVALID_HANDLE_VALUE;
    }
};

// The records and the receive chunk, used by one transfer at a time, and what outlives each
// transfer: whether the device has gone, the quiet period owed, and who watches the line.
struct PrinterLink::TransferState {
    OVERLAPPED writeRecord{};
    DWORD writtenCount = 0;
    OVERLAPPED readRecord{};
    BYTE receiveChunk[kChunkSize]{};
    DWORD chunkCount = 0;
    // The serial port's event wait, used while a read waits for its first byte.
    OVERLAPPED eventRecord{};
    DWORD eventMask = 0;
    // A transfer failed because the device is gone; the command need not try the next one.
    bool linkLost = false;
    // The system's error of the latest call that failed.
    DWORD lastError = 0;
    // When the latest write began, and whether the line is owed a quiet period from then.
    DWORD lastWriteStart = 0;
    bool quietOwed = false;
    TransferObserver observer;
};

}  // namespace tq
