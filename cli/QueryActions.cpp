// The actions that press "Get" and "Status / Test Print", and the one that asks for the status
// alone.
#include "cli/ActionGroups.h"
#include "cli/ConsoleText.h"
#include "cli/FlatJson.h"
#include "cli/GetJson.h"
#include "commands/Commands.h"
#include "framework/ControlIds.h"
#include "protocol/FeatureMap.h"

namespace tq::cli {

namespace {

// Field 1071 is printed whatever happened, so each get gives exactly one line: after a failure it
// still shows what it showed before, as on the form. The exit status tells the two apart. A text
// feature's reply is the printer's own bytes, so the line is escaped for the terminal.
// With --json the line is an object that also gives the value in the notation of the feature's
// own field (GetJson.h).
void RunGet(ActionContext& context, const ParsedAction& action) {
    context.form.SetDlgItemText(IDC_FEATURE_ID, action.arguments[0]);
    context.failed = OnGetFeature(context.form, context.link).Failed();
    const std::string value = context.form.GetDlgItemText(IDC_FEATURE_VALUE);
    if (action.HasFlag("--json")) {
        WriteWhole(context.out, FormatGetJson(ReadLeadingInteger(action.arguments[0]), value));
        return;
    }
    WriteWhole(context.out, EscapeForTerminal(value) + "\n");
}

// The form reads the typed number as atoi does, so "88junk" and "88.9" would query 88. Like `set`'s
// values, the number must be plain decimal digits; one outside the range still gets the form's
// own notice, as a person typing it would.
std::string CheckGet(const ParsedAction& action) {
    const std::string& typed = action.arguments[0];
    if (typed.empty() || typed.find_first_not_of("0123456789") != std::string::npos) {
        return "get takes a feature number in decimal digits (48 to 111), not " + JsonQuote(typed);
    }
    return {};
}

void RunStatus(ActionContext& context, const ParsedAction&) {
    context.failed = OnStatusTestPrint(context.form, context.link).Failed();
}

// The status text as `status` prints it, with nothing printed on paper: for a script that looks at
// a printer often, where a test print each time would waste the roll.
void RunEnquire(ActionContext& context, const ParsedAction&) {
    context.failed = EnquireStatus(context.form, context.link).Failed();
}

}  // namespace

void RegisterQueryActions(ActionRegistry& registry) {
    registry.Add(
        {"get", {"TEXT"}, {"--json"}, "print feature TEXT's Value", RunGet, CheckGet, "get 88"});
    registry.Add({"status", {}, {}, "test print, print the status", RunStatus, nullptr, "status"});
    registry.Add({"enquire", {}, {}, "status, nothing printed", RunEnquire, nullptr, "enquire"});
}

}  // namespace tq::cli
