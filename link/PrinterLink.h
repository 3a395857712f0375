// The printer link: one object that the application owns (one per form), through which every byte
// to and from the printer passes. It finds the USB printer and remembers whether it is present
// (DeviceState), keeps its handle open across commands, and for each command chooses ActiveLink:
// the USB handle when the printer is online, otherwise COM1:, opened and configured for that
// command and closed at its end. It also decides what the user is told when the system announces
// a change of devices. Its timed transfers (TimedTransfer.h) move the bytes: TimedWrite sends one
// block, TimedRead collects one reply, each against a deadline on the wrapping millisecond counter.
//
// Every failure is shown in its message box (Messages.h) and kept as a value (Failure.h): the
// latest one, and the first one since the command began, which the command hands back to whoever
// ran it. The results stay the system's integers: 0, or the negative code of the message shown.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "framework/Failure.h"
#include "framework/Messages.h"
#include "link/PrinterSelection.h"
#include "link/TimedTransfer.h"
#include "platform/Platform.h"

namespace tq {

class WindowOps;

enum class DeviceState { Unknown = 0, Online = 1, Offline = 2 };
enum class DeviceEvent { NoChange = 0, CameOnline = 1, WentOffline = 2 };

// Why the latest open of COM1:, or of the USB printer interface in the latest discovery, failed:
// the platform's error code and what else it knew. Error ERROR_SUCCESS when that open succeeded or
// was not tried.
struct OpenFailure {
    DWORD error = ERROR_SUCCESS;
    OpenFailureDetail detail;
};

class PrinterLink {
public:
    PrinterLink();
    ~PrinterLink();
    PrinterLink(const PrinterLink&) = delete;
    PrinterLink& operator=(const PrinterLink&) = delete;

    // Which printer counts: by default the form's own rule, the first USB printer else COM1:
    // (PrinterSelection.h). Applies to every discovery from now on, the start-up's included.
    void SelectPrinter(const PrinterSelection& selection);
    const PrinterSelection& Selection() const { return selection_; }

    // Link selection and device tracking.
    // Brackets every command: 0 when ActiveLink is ready, -1 when COM1: could not be opened, or the
    // USB printer the selection names is not there (its own message has been shown; the caller
    // adds its own and does not call ClosePrinterLink).
    int OpenPrinterLink();
    void ClosePrinterLink();
    int OpenComPort();
    // 1 when a USB printer interface was found and opened into UsbHandle, else 0. Shows nothing.
    int FindUsbPrinter();
    void CloseUsbHandle();
    DeviceEvent PollUsbPrinter();
    // For every device-change notice the system sends the form.
    void HandleDeviceChange(WindowOps& form);

    // Timed transfer on ActiveLink.
    // Sends count bytes in one write request. timeout 0 waits for completion without a deadline.
    // A quiet period owed (OweQuietLine) is paid first, before the deadline starts.
    TransferStatus TimedWrite(const void* data, DWORD count, DWORD timeout);
    // Collects one reply into destination, 64-byte request after request, until a chunk ends in
    // ETX or exactly `expected` bytes (when not 0) have arrived. No more than `capacity` bytes are
    // stored: the surplus of a longer reply is read and dropped, and counted in `dropped` when it
    // is given. `received` is kept up to date after every chunk, also when the read fails. The
    // terminator is accepted and ignored: a reply always ends in ETX. timeout 0: no deadline.
    TransferStatus TimedRead(void* destination, DWORD capacity, DWORD expected,
                             std::int32_t* received, BYTE terminator, DWORD timeout,
                             DWORD* dropped = nullptr);
    // The pause between a request and the read of its reply: the printer needs it to answer,
    // whatever it was asked. It blocks the calling thread, as the transfers do.
    void PauseForReply(DWORD milliseconds);
    // Replies carry no feature id, so a reply can only be matched to its query when nothing else is
    // on the line. These keep it so; none of them shows a message.
    // Drops whatever the printer sent that no read has taken: before every request that expects a
    // reply.
    void DiscardStaleInput();
    // After a request whose reply was not taken (its read failed, or its own write did), the
    // printer may still answer it, up to a second late. The link then owes the line a quiet period:
    // it lasts until 1.2 s have passed since that request was written and no byte has come for
    // 200 ms, and whatever arrives meanwhile is dropped. It is paid before the next request on the
    // link (TimedWrite) and at the latest by ClosePrinterLink, so no command, and no run of the
    // program, ends owing it; the boxes a failure shows come first, and the time the user takes
    // over them counts towards it. A device that never stops talking holds it 1 s past the 1.2 s
    // at most. Nothing is owed on a link that is lost (LinkLost).
    void OweQuietLine();
    void PayOwedQuiet();
    bool QuietOwed() const;
    // True when input arrives within `milliseconds` (input already waiting counts); it is dropped.
    // A reply followed by more bytes in its own read window was not the reply its query asked for.
    bool InputArrivesWithin(DWORD milliseconds);
    // The one observer of this link's transfers; an empty one removes it. Called in the middle of
    // a transfer: it must return soon and must not use the link.
    void SetTransferObserver(TransferObserver observer);
    // True once a transfer has failed because the device is gone (unplugged, or the line hung up):
    // nothing more can reach the printer in this command. Opening the link clears it.
    bool LinkLost() const;

    // Failures. Report shows the message and keeps its failure: as the latest, and as the first of
    // the command when it is the first since BeginCommand.
    void Report(MessageId id, Failure failure);
    // Keeps a failure that the caller shows on its form.
    void Note(const Failure& failure);
    const std::optional<Failure>& LatestFailure() const { return latestFailure_; }
    void BeginCommand();
    const std::optional<Failure>& FirstFailureOfCommand() const { return firstFailure_; }
    // The link the current command uses, for a failure that the command reports itself.
    LinkKind ActiveLinkKind() const;

    // The link state, read by the trace, the front ends and the tests.
    HANDLE ActiveLink() const;
    HANDLE UsbHandle() const;
    HANDLE ComHandle() const;
    bool ComOpened() const;
    DeviceState CurrentDeviceState() const;
    const char* UsbDevicePath() const;
    const DCB& SerialSettings() const;
    const COMMTIMEOUTS& SerialTimeouts() const;
    const OpenFailure& LastComOpenFailure() const;
    const OpenFailure& LastUsbOpenFailure() const;
    // The failure value of the latest USB open that failed, for the start-up notice's box; nothing
    // when discovery opened the printer or found none to open.
    std::optional<Failure> UsbOpenFailureValue() const;

    struct LinkState;
    struct TransferState;

private:
    // Discovery and opening (PrinterLink.cpp).
    bool ReadDevicePath(HDEVINFO list, SP_DEVICE_INTERFACE_DATA* interfaceData,
                        SP_DEVINFO_DATA* device, bool& allocated);
    bool KeepHeldUsbHandle();
    bool OpenUsbInterface();
    std::vector<std::string> NamedPrinterPaths() const;
    void CloseRetiredHandles();
    int FailComSetup(MessageId id);
    Failure OpenFailureValue(const OpenFailure& open, LinkKind link) const;
    // The line's housekeeping (TimedTransfer.cpp).
    DWORD DropInputFor(DWORD milliseconds);

    std::unique_ptr<LinkState> link_;
    std::unique_ptr<TransferState> transfers_;
    PrinterSelection selection_;
    std::optional<Failure> latestFailure_;
    std::optional<Failure> firstFailure_;
};

}  // namespace tq
