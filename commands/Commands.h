// The form's four commands, written once against the window operations so that the desktop form
// and the headless form of tq9000ctl run the same code. Each opens the printer link, exchanges
// frames with the printer, fills controls or shows a message, and closes the link. Each hands
// back the first failure it met (already shown in its box), for a front end that acts on it.
#pragma once

#include <cstdint>
#include <optional>

#include "framework/Failure.h"
#include "protocol/FeatureMap.h"

namespace tq {

class PrinterLink;
class WindowOps;

struct CommandResult {
    std::optional<Failure> failure;
    bool Failed() const { return failure.has_value(); }
};

CommandResult OnReadAll(WindowOps& form, PrinterLink& link);   // "Read All" (1075)
CommandResult OnWriteAll(WindowOps& form, PrinterLink& link);  // "Write All" (1076)

// The same two commands for a front end that keeps track of which fields hold what (tq9000ctl):
// Read All saying which features' replies reached the form, and Write All sending only the
// features named (the others are passed over as an empty field is), since some of its fields may
// hold nothing anyone gave.
CommandResult ReadAllFeatures(WindowOps& form, PrinterLink& link, FeatureSet& filled);
CommandResult WriteFeatures(WindowOps& form, PrinterLink& link, const FeatureSet& toWrite);
CommandResult OnGetFeature(WindowOps& form, PrinterLink& link);       // "Get" (1073)
CommandResult OnStatusTestPrint(WindowOps& form, PrinterLink& link);  // "Status / Test Print"

// The status byte without the test print, for a front end that watches a printer (tq9000ctl's
// `enquire` and `check`): the enquiry alone, the byte shown in the same "Printer Status Byte" box,
// and nothing printed on paper. Bracketed and reported as "Status / Test Print" is; the byte is
// also handed back, when it was read.
struct StatusResult : CommandResult {
    std::optional<std::uint8_t> status;
};
StatusResult EnquireStatus(WindowOps& form, PrinterLink& link);

}  // namespace tq
