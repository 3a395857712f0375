// "Get" and "Status / Test Print": the two commands that make one short exchange each; and the
// status enquiry alone, which asks for the status byte without printing the test text.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>

#include "commands/Commands.h"
#include "framework/ControlIds.h"
#include "framework/MessageBoxes.h"
#include "framework/WindowOps.h"
#include "link/PrinterLink.h"
#include "protocol/FeatureMap.h"
#include "protocol/FeatureProtocol.h"
#include "protocol/StatusExchange.h"

namespace tq {

namespace {

constexpr const char* kRangeNotice = "Enter a value between 30H and 6FH";
constexpr int kFirstUserFeature = 0x30;
constexpr int kLastUserFeature = 0x6F;
constexpr std::size_t kStatusTextSize = 64;

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

// Reads the status byte that the enquiry just sent asks for and shows it. A status that cannot be
// read has been reported as "read error" already: nothing is added to it.
void ReadAndShowStatus(WindowOps& form) {
    std::uint8_t status = 0;
    if (ReadStatusByte(status) != 0) {
        return;
    }
    char text[kStatusTextSize];
    std::snprintf(text, sizeof text, "<%02x>", static_cast<unsigned>(status));
    form.MessageBox(text, "Printer Status Byte", kMbOk);
}

// The status is enquired only after the whole test text has been written.
void PrintTestAndShowStatus(WindowOps& form) {
    if (PrintTestText() != 0) {
        AfxMessageBox("fatal write error", 0, 0);
        return;
    }
    if (SendStatusEnquiry() != 0) {
        AfxMessageBox("write error", 0, 0);
        return;
    }
    ReadAndShowStatus(form);
}

// The enquiry without the test text: the printer answers it and prints nothing.
void EnquireAndShowStatus(WindowOps& form) {
    if (SendStatusEnquiryAlone() != 0) {
        AfxMessageBox("write error", 0, 0);
        return;
    }
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

void EnquireStatus(WindowOps& form) {
    WithPrinterLink(form, [&form] { EnquireAndShowStatus(form); });
}

}  // namespace tq
