// The actions that press "Get" and "Status / Test Print".
#include "cli/ActionGroups.h"
#include "cli/ConsoleText.h"
#include "cli/FlatJson.h"
#include "commands/Commands.h"
#include "framework/ControlIds.h"

namespace tq::cli {

namespace {

// Field 1071 is printed whatever happened, so each get gives exactly one line: after a failure it
// still shows what it showed before, as on the form. The exit status tells the two apart. A text
// feature's reply is the printer's own bytes, so the line is escaped for the terminal.
void RunGet(ActionContext& context, const ParsedAction& action) {
    context.form.SetDlgItemText(IDC_FEATURE_ID, action.arguments[0]);
    context.failed = OnGetFeature(context.form, context.link).Failed();
    WriteWhole(context.out,
               EscapeForTerminal(context.form.GetDlgItemText(IDC_FEATURE_VALUE)) + "\n");
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

}  // namespace

void RegisterQueryActions(ActionRegistry& registry) {
    registry.Add({"get",
                  {"TEXT"},
                  {},
                  "press \"Get\" for feature TEXT, print \"Value\"",
                  RunGet,
                  CheckGet,
                  "get 88"});
    registry.Add({"status",
                  {},
                  {},
                  "press \"Status / Test Print\", print the status",
                  RunStatus,
                  nullptr,
                  "status"});
}

}  // namespace tq::cli
