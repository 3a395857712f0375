// "Get" and "Status / Test Print": the two commands that make one short exchange each.
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "commands/Commands.h"
#include "framework/ControlIds.h"
#include "framework/MessageBoxes.h"
#include "framework/WindowOps.h"
#include "link/PrinterLink.h"
#include "link/TimedTransfer.h"
#include "platform/Platform.h"
#include "protocol/FeatureMap.h"
#include "protocol/FeatureProtocol.h"

namespace tq {

namespace {

constexpr const char* kRangeNotice = "Enter a value between 30H and 6FH";
constexpr int kFirstUserFeature = 0x30;
constexpr int kLastUserFeature = 0x6F;

// The nine bytes the printer prints as its test: "testing" and two line feeds.
constexpr BYTE kTestText[] = {0x74, 0x65, 0x73, 0x74, 0x69, 0x6E, 0x67, 0x0A, 0x0A};
constexpr BYTE kEnq = 0x05;
constexpr DWORD kStatusBufferSize = 64;

// The feature number typed into field 1070, or nothing when the range notice is due.
std::optional<FeatureId> TypedFeatureNumber(const std::string& typed) {
    if (typed.empty()) {
        return std::nullopt;
    }
    // Read as atoi reads it; a number beyond 32 bits saturates and so gets the notice too.
    const std::int32_t number = ReadLeadingInteger(typed);
    if (number < kFirstUserFeature || number > kLastUserFeature) {
        return std::nullopt;
    }
    return static_cast<FeatureId>(number);
}

// Every command's bracket: open the link, run the exchange, close the link on every path on which
// the open succeeded.
template <typename Exchange>
void WithPrinterLink(WindowOps& form, Exchange exchange) {
    if (OpenPrinterLink() != 0) {
        form.MessageBox("error opening printer", "Caption", kMbOk);
        return;
    }
    exchange();
    ClosePrinterLink();
}

// The printer answers the enquiry with exactly one byte; anything else is a read failure.
void ReadAndShowStatus(WindowOps& form) {
    BYTE reply[kStatusBufferSize];
    std::int32_t received = 0;
    if (ReadReply(ReplyForm::Byte, reply, received, 0) != 0) {
        return;
    }
    char text[kStatusBufferSize];
    std::snprintf(text, sizeof text, "<%02x>", static_cast<unsigned>(reply[0]));
    form.MessageBox(text, "Printer Status Byte", kMbOk);
}

void PrintTestAndShowStatus(WindowOps& form) {
    DiscardStaleInput();
    if (TimedWrite(kTestText, sizeof kTestText, kWriteTimeoutMs) != 0) {
        AfxMessageBox("fatal write error", 0, 0);
        return;
    }
    // The enquiry goes in a write of its own, at once after the whole test text.
    if (TimedWrite(&kEnq, 1, kWriteTimeoutMs) != 0) {
        AfxMessageBox("write error", 0, 0);
        return;
    }
    os::Sleep(kReplyPauseMs);
    ReadAndShowStatus(form);
}

}  // namespace

// The input is validated before the link is opened, so a refused number sends nothing.
void OnGetFeature(WindowOps& form) {
    const std::optional<FeatureId> id = TypedFeatureNumber(form.GetDlgItemText(IDC_FEATURE_ID));
    if (!id) {
        AfxMessageBox(kRangeNotice, 0, 0);
        return;
    }
    WithPrinterLink(form, [&form, &id] {
        char text[kFeatureTextSize];
        if (QueryFeature(*id, text) != 0) {
            AfxMessageBox("fatal error", 0, 0);  // field 1071 keeps what it showed
            return;
        }
        form.SetDlgItemText(IDC_FEATURE_VALUE, text);
    });
}

void OnStatusTestPrint(WindowOps& form) {
    WithPrinterLink(form, [&form] { PrintTestAndShowStatus(form); });
}

}  // namespace tq
