// The actions that work the form's configuration: press "Read All" and "Write All", change a field
// as a person would, print the form's state, save or load it as a profile, and compare it with one.
#include "cli/ActionGroups.h"
#include "cli/ConsoleText.h"
#include "cli/FormState.h"
#include "cli/ProcessSignals.h"
#include "cli/Profile.h"
#include "cli/ProfileDiff.h"
#include "commands/Commands.h"

namespace tq::cli {

namespace {

void RunReadAll(ActionContext& context, const ParsedAction&) {
    OnReadAll(context.form);
}
// An interruption waits for the last frame: cut short, the printer would hold a mix of the old
// configuration and the new one.
void RunWriteAll(ActionContext& context, const ParsedAction&) {
    InterruptionsDeferred deferred;
    OnWriteAll(context.form);
}

// Checked while the command line is parsed, so a bad NAME or VALUE touches nothing.
std::string CheckSet(const ParsedAction& action) {
    return ParseSetArgument(action.arguments[0]).error;
}

void RunSet(ActionContext& context, const ParsedAction& action) {
    ApplySetting(context.form, *ParseSetArgument(action.arguments[0]).setting);
}

void RunShow(ActionContext& context, const ParsedAction& action) {
    const std::vector<ShownField> fields = ShowForm(context.form);
    WriteWhole(context.out,
               action.HasFlag("--json") ? FormatShownJson(fields) : FormatShownLines(fields));
}

// A profile that did not load or save is a failure, and so ends the run: what follows (typically
// write-all) was meant for the profile, not for whatever the form held instead.
void StopOnError(ActionContext& context, const std::string& error) {
    if (!error.empty()) {
        WriteWhole(context.err, "tq9000ctl: " + error + "\n");
        context.failed = true;
    }
}

void RunSave(ActionContext& context, const ParsedAction& action) {
    StopOnError(context, SaveProfile(context.form, action.arguments[0], context.out));
}

void RunLoad(ActionContext& context, const ParsedAction& action) {
    StopOnError(context, LoadProfile(context.form, action.arguments[0], context.in));
}

// A profile that cannot be read is the failure it is for `load`; a difference is a result, printed
// on standard output, that ends the run with a status of its own.
void RunDiff(ActionContext& context, const ParsedAction& action) {
    const ProfileResult profile = ReadProfile(action.arguments[0], context.in);
    if (!profile.error.empty()) {
        StopOnError(context, profile.error);
        return;
    }
    const std::vector<FieldDifference> differences =
        CompareWithProfile(context.form, profile.settings);
    WriteWhole(context.out, action.HasFlag("--json") ? FormatDifferenceJson(differences)
                                                     : FormatDifferenceLines(differences));
    context.differs = !differences.empty();
}

// `spec`, its one argument marked as a file that it reads or writes.
ActionSpec OnAFile(ActionSpec spec) {
    spec.fileArguments = {0};
    return spec;
}

}  // namespace

void RegisterFormActions(ActionRegistry& registry) {
    registry.Add({"read-all", {}, {}, "press \"Read All\"", RunReadAll, nullptr, "read-all show"});
    registry.Add({"write-all",
                  {},
                  {},
                  "press \"Write All\"",
                  RunWriteAll,
                  nullptr,
                  "read-all set 1054=1 write-all"});
    registry.Add({"set",
                  {"NAME=VALUE"},
                  {},
                  "change a field, or a check box by its id",
                  RunSet,
                  CheckSet,
                  "set ClampDelay=12 set 1054=1"});
    registry.Add({"show",
                  {},
                  {"--json"},
                  "print 'ID NAME VALUE' lines or a JSON object",
                  RunShow,
                  nullptr,
                  "read-all show --json"});
    registry.Add(OnAFile({"save",
                          {"FILE"},
                          {},
                          "save the fields as a JSON profile (-: stdout)",
                          RunSave,
                          nullptr,
                          "read-all save p17.json"}));
    registry.Add(OnAFile({"load",
                          {"FILE"},
                          {},
                          "set the fields from a JSON profile (-: stdin)",
                          RunLoad,
                          nullptr,
                          "load site.json write-all"}));
    registry.Add(OnAFile({"diff",
                          {"FILE"},
                          {"--json"},
                          "print the fields that differ from a profile",
                          RunDiff,
                          nullptr,
                          "read-all diff site.json"}));
}

}  // namespace tq::cli
