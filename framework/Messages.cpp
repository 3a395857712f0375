#include "framework/Messages.h"

#include "framework/WindowConstants.h"

namespace tq {

namespace {

constexpr const char* kCaption = "Caption";
constexpr const char* kStatusCaption = "Printer Status Byte";
constexpr const char* kStartUpCaption = "BRENLOW";
constexpr const char* kNoticeCaption = "WM_DEVICECHANGE";

constexpr MessageText Afx(const char* text) {
    return {text, nullptr, 0, true};
}

}  // namespace

// The texts exactly as the form has always shown them, double blanks included.
const MessageText& TextOf(MessageId id) {
    static const MessageText kUnlisted{nullptr, nullptr, 0, false};
    static const MessageText kTexts[] = {
        kUnlisted,
        Afx("error making write event  -1"),
        Afx("write failed  -2"),
        Afx("write failed (no timeout)  -3"),
        Afx("write timed out  -4"),
        Afx("write timed out  -5"),
        Afx("permanent write failure  -6"),
        Afx("error creating event"),
        Afx("error issuing read -2"),
        Afx("error completing read -21"),
        Afx("read permanent failure  -5"),
        Afx("read timed out -6"),
        Afx("read timed out -7"),
        Afx("read failed (no timeout) -8"),
        Afx("read timed out -9"),
        Afx("read timed out -10"),
        Afx("Error opening printer"),
        Afx("error getting DCB"),
        Afx("error getting DCB after set"),
        Afx("GetCommTimeouts failed"),
        Afx("SetCommTimeouts failed"),
        Afx("read error"),
        {"error opening printer", kCaption, kMbOk, true},
        {"fatal write error", kCaption, kMbOk, true},
        Afx("fatal write error"),
        Afx("fatal error"),
        Afx("write error"),
        Afx("Enter a value between 30H and 6FH"),
        {nullptr, kCaption, kMbOk, true},
        {nullptr, kStatusCaption, kMbOk, false},
        {"Device Online", kStartUpCaption, kMbIconInformation, false},
        {"Usb offline, assuming COM1:", kStartUpCaption, kMbIconInformation, false},
        {"Device Online", kNoticeCaption, kMbIconInformation, false},
        {"Usb offline, assuming COM1:", kNoticeCaption, kMbIconInformation, false},
    };
    static_assert(
        sizeof kTexts / sizeof kTexts[0] == static_cast<int>(MessageId::NoticeOffline) + 1,
        "one text for every message");
    return kTexts[static_cast<int>(id)];
}

}  // namespace tq
