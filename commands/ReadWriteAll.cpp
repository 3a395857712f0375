// "Read All" and "Write All": the twelve features of the feature map fetched into the form, or
// taken from it and stored in the printer, each in its own fixed order, with the progress bar
// stepped after every feature. Only the first exchange of a command is tested; a later failure
// has been shown by the lower layers and the command goes on to its end, unless the device is gone:
// then every remaining feature would only fail again, each with its own message. Write All first
// checks every number field it would send and refuses the whole command, before the link is
// opened, when one holds a text it cannot write as typed.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "framework/ControlIds.h"
#include "framework/WindowOps.h"
#include "link/PrinterLink.h"
#include "protocol/FeatureMap.h"
#include "protocol/FeatureProtocol.h"

namespace tq {

namespace {

// Twelve steps of 10 fill the bar exactly.
constexpr int kProgressHigh = 120;
constexpr int kProgressStep = 10;

// Not number order: SetupRevision (87) is written last, after 102, while Read All reads it fourth.
constexpr std::uint8_t kWriteAllOrder[] = {76, 85, 86, 88, 96, 97, 98, 99, 100, 101, 102, 87};

// Opens the link and resets the bar; false, after "error opening printer", when it did not open.
bool StartBulkCommand(WindowOps& form, PrinterLink& link) {
    if (link.OpenPrinterLink() != 0) {
        form.ShowMessage(MessageId::ErrorOpeningPrinter, link.LatestFailure());
        return false;
    }
    form.SetRange(IDC_PROGRESS, 0, kProgressHigh);
    form.SetStep(IDC_PROGRESS, kProgressStep);
    form.SetPos(IDC_PROGRESS, 0);
    return true;
}

void EndWithFatalWriteError(WindowOps& form, PrinterLink& link) {
    form.ShowMessage(MessageId::FatalWriteError, link.LatestFailure());
    link.ClosePrinterLink();
}

// The first number field, in the order given, whose text is neither empty (not written) nor a whole
// number within its range; nothing when each can be written as typed. Read as the write reads it,
// "x" would go out as 0 and "41" would be dropped without a word.
std::optional<NumberField> FirstUnwritableNumber(const WindowOps& form,
                                                 std::span<const std::uint8_t> order) {
    for (const std::uint8_t id : order) {
        const std::optional<NumberField> field = NumberFieldOf(*FindFeatureById(id));
        if (!field) {
            continue;
        }
        const std::string text = form.GetDlgItemText(field->control);
        if (!text.empty() && !ReadWholeNumber(text, field->bound)) {
            return field;
        }
    }
    return std::nullopt;
}

// True when the features can be written; otherwise one box names the first field that cannot and
// what it takes, and the focus goes to that field for the user to correct it.
bool AcceptNumberFields(WindowOps& form, PrinterLink& link, std::span<const std::uint8_t> order) {
    const std::optional<NumberField> refused = FirstUnwritableNumber(form, order);
    if (!refused) {
        return true;
    }
    Failure failure;
    failure.step = FailedStep::Input;
    failure.cause = FailureCause::Refused;
    link.Note(failure);
    form.ShowMessage(MessageId::NumberFieldRefused, failure,
                     std::string(refused->name) + " takes a whole number from 0 to " +
                         std::to_string(refused->bound));
    form.GotoDlgCtrl(refused->control);
    return false;
}

// Number features come back in decimal, the rest as two hexadecimal digits.
int QueryForForm(PrinterLink& link, const FeatureBinding& feature, char (&text)[kFeatureTextSize]) {
    return feature.kind == FeatureKind::Number ? QueryFeatureDecimal(link, feature.id, text)
                                               : QueryFeature(link, feature.id, text);
}

CommandResult Ended(const PrinterLink& link) {
    return {link.FirstFailureOfCommand()};
}

}  // namespace

// A failed query leaves its feature's controls as they were: the reply buffer then still holds
// the previous feature's text, which read in this feature's form would show a wrong value.
CommandResult ReadAllFeatures(WindowOps& form, PrinterLink& link, FeatureSet& filled) {
    link.BeginCommand();
    filled.reset();
    if (!StartBulkCommand(form, link)) {
        return Ended(link);
    }
    char text[kFeatureTextSize] = {};
    for (const FeatureBinding& feature : FeatureMap) {
        const bool answered = QueryForForm(link, feature, text) == 0;
        if (!answered && &feature == &FeatureMap.front()) {
            EndWithFatalWriteError(form, link);
            return Ended(link);
        }
        if (answered) {
            FeatureToForm(form, feature, text);
            filled.set(RowOf(feature));
        }
        if (link.LinkLost()) {
            break;
        }
        form.StepIt(IDC_PROGRESS);
    }
    link.ClosePrinterLink();
    return Ended(link);
}

// Each feature's controls are read just before its frame goes out. A feature whose controls give
// nothing, or that is not among those to write, is not sent, and then its write is not tested
// either, even when it is the first. Only the number fields of the features to write are checked.
CommandResult WriteFeatures(WindowOps& form, PrinterLink& link, const FeatureSet& toWrite) {
    link.BeginCommand();
    std::vector<std::uint8_t> order;
    for (const std::uint8_t id : kWriteAllOrder) {
        if (toWrite.test(RowOf(*FindFeatureById(id)))) {
            order.push_back(id);
        }
    }
    if (!AcceptNumberFields(form, link, order) || !StartBulkCommand(form, link)) {
        return Ended(link);
    }
    for (const std::uint8_t id : kWriteAllOrder) {
        const FeatureBinding& feature = *FindFeatureById(id);
        const std::optional<std::uint8_t> value =
            toWrite.test(RowOf(feature)) ? FormToFeature(form, feature) : std::nullopt;
        if (value && WriteFeature(link, id, 1, &*value) != 0 && id == kWriteAllOrder[0]) {
            EndWithFatalWriteError(form, link);
            return Ended(link);
        }
        if (link.LinkLost()) {
            break;
        }
        form.StepIt(IDC_PROGRESS);
    }
    link.ClosePrinterLink();
    return Ended(link);
}

CommandResult OnReadAll(WindowOps& form, PrinterLink& link) {
    FeatureSet filled;
    return ReadAllFeatures(form, link, filled);
}

CommandResult OnWriteAll(WindowOps& form, PrinterLink& link) {
    return WriteFeatures(form, link, AllFeatures());
}

}  // namespace tq
