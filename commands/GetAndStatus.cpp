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
CommandResult WithPrinterLink(WindowOps& form, PrinterLink& link, Exchange exchange) {
    if (link.OpenPrinterLink() != 0) {
        form.ShowMessage(MessageId::ErrorOpeningPrinter, link.LatestFailure());
    } else {
        exchange();
        link.ClosePrinterLink();
    }
    return {link.FirstFailureOfCommand()};
}

// The command's own word after a failure the lower layers have shown, carrying that failure.
void AddToFailure(PrinterLink& link, MessageId id) {
    link.Report(id, link.LatestFailure().value_or(Failure{}));
}

// Reads the status byte that the enquiry just sent asks for and shows it. A status that cannot be
// read has been reported as "read error" already: nothing is added to it.
std::optional<std::uint8_t> ReadAndShowStatus(WindowOps& form, PrinterLink& link) {
    std::uint8_t status = 0;
    if (ReadStatusByte(link, status) != 0) {
        return std::nullopt;
    }
    char text[kStatusTextSize];
    std::snprintf(text, sizeof text, "<%02x>", static_cast<unsigned>(status));
    form.ShowMessage(MessageId::StatusByte, std::nullopt, text);
    return status;
}

// The status is enquired only after the whole test text has been written.
void PrintTestAndShowStatus(WindowOps& form, PrinterLink& link) {
    if (PrintTestText(link) != 0) {
        AddToFailure(link, MessageId::FatalWriteErrorOfTestPrint);
        return;
    }
    if (SendStatusEnquiry(link) != 0) {
        AddToFailure(link, MessageId::WriteError);
        return;
    }
    ReadAndShowStatus(form, link);
}

// The enquiry without the test text: the printer answers it and prints nothing.
std::optional<std::uint8_t> EnquireAndShowStatus(WindowOps& form, PrinterLink& link) {
    if (SendStatusEnquiryAlone(link) != 0) {
        AddToFailure(link, MessageId::WriteError);
        return std::nullopt;
    }
    return ReadAndShowStatus(form, link);
}

}  // namespace

// The input is validated before the link is opened, so a refused number sends nothing.
CommandResult OnGetFeature(WindowOps& form, PrinterLink& link) {
    link.BeginCommand();
    const std::optional<FeatureId> id = TypedFeatureNumber(form.GetDlgItemText(IDC_FEATURE_ID));
    if (!id) {
        Failure failure;
        failure.step = FailedStep::Input;
        failure.cause = FailureCause::Refused;
        link.Report(MessageId::FeatureNumberOutOfRange, failure);
        return {link.FirstFailureOfCommand()};
    }
    return WithPrinterLink(form, link, [&form, &link, &id] {
        char text[kFeatureTextSize];
        if (QueryFeature(link, *id, text) != 0) {
            AddToFailure(link, MessageId::FatalError);  // field 1071 keeps what it showed
            return;
        }
        form.SetDlgItemText(IDC_FEATURE_VALUE, text);
    });
}

CommandResult OnStatusTestPrint(WindowOps& form, PrinterLink& link) {
    link.BeginCommand();
    return WithPrinterLink(form, link, [&form, &link] { PrintTestAndShowStatus(form, link); });
}

StatusResult EnquireStatus(WindowOps& form, PrinterLink& link) {
    link.BeginCommand();
    std::optional<std::uint8_t> status;
    const CommandResult result = WithPrinterLink(
        form, link, [&form, &link, &status] { status = EnquireAndShowStatus(form, link); });
    StatusResult ended;
    ended.failure = result.failure;
    ended.status = result.failure ? std::nullopt : status;
    return ended;
}

}  // namespace tq
