// Every message box the utility shows, as one table: its text, its caption (or none, for the
// application-wide boxes that carry the application's title), its type, and whether it reports a
// failure. Each layer shows its boxes by name from here; nothing above the layer that shows a box
// looks at its text or caption to learn what happened: the box carries the failure as a value
// (Failure.h).
#pragma once

namespace tq {

enum class MessageId {
    Unlisted,  // a box not in the table (tests, tools)
    // The timed transfers.
    ErrorMakingWriteEvent,
    WriteFailed,
    WriteFailedNoTimeout,
    WriteTimedOut,
    WriteTimedOutAcrossWrap,
    PermanentWriteFailure,
    ErrorCreatingEvent,
    ErrorIssuingRead,
    ErrorCompletingRead,
    ReadPermanentFailure,
    ReadTimedOutPending,
    ReadTimedOutPendingAcrossWrap,
    ReadFailedNoTimeout,
    ReadTimedOut,
    ReadTimedOutAcrossWrap,
    // Opening COM1:.
    ErrorOpeningPrinterPort,
    ErrorGettingDcb,
    ErrorGettingDcbAfterSet,
    GetCommTimeoutsFailed,
    SetCommTimeoutsFailed,
    // The protocol.
    ReadError,
    // The commands.
    ErrorOpeningPrinter,
    FatalWriteError,
    FatalWriteErrorOfTestPrint,
    FatalError,
    WriteError,
    FeatureNumberOutOfRange,
    NumberFieldRefused,  // its text names the field: "ClampDelay takes a whole number from 0 to 40"
    StatusByte,          // its text is the byte: "<00>"
    // Where the commands will go: at start-up, and on a device-change notice.
    StartUpOnline,
    StartUpOffline,
    NoticeOnline,
    NoticeOffline,
};

struct MessageText {
    const char* text;     // nullptr: given where the box is shown
    const char* caption;  // nullptr: an application-wide box (AfxMessageBox), with the app's title
    unsigned type;
    bool reportsFailure;
};

const MessageText& TextOf(MessageId id);

}  // namespace tq
