// The actions that work the form's configuration: press "Read All" and "Write All", change a field
// as a person would, print the form's state or the fields it has, save or load it as a profile,
// and compare it with one.
#include "cli/ActionGroups.h"
#include "cli/ConsoleText.h"
#include "cli/FieldTable.h"
#include "cli/FormState.h"
#include "cli/Profile.h"
#include "cli/ProfileDiff.h"
#include "cli/ReadSource.h"
#include "commands/Commands.h"
#include "platform/ProcessSignals.h"

namespace tq::cli {

namespace {

// A failure the action reports itself ends the run like a failing box: what follows (typically
// write-all) was meant for what the action was to do.
void Fail(ActionContext& context, const std::string& error) {
    WriteProgramLine(context.err, error);
    context.failed = true;
}

void StopOnError(ActionContext& context, const std::string& error) {
    if (!error.empty()) {
        Fail(context, error);
    }
}

// Only the features whose reply reached the form count as read: a failed query leaves its field
// as it was. The fields read now are this printer's, so it becomes the configuration's source.
void RunReadAll(ActionContext& context, const ParsedAction&) {
    FeatureSet filled;
    context.failed = ReadAllFeatures(context.form, context.link, filled).Failed();
    context.configuration.TakeFromForm(context.form, filled);
    if (filled.any()) {
        context.configuration.SetSource(SourceOfLinkJustUsed(context.link));
    }
}

// A feature is sent only when every field it carries was read, loaded or set; one that nobody gave
// is passed over as an empty field is. LinesToSkip shares its byte with ValidationOptions: with
// one of them given and the other not, the byte cannot be made, and nothing is sent at all. An
// interruption waits for the last frame: cut short, the printer would hold a mix of the old
// configuration and the new one.
void RunWriteAll(ActionContext& context, const ParsedAction&) {
    FeatureSet partlyKnown;
    const FeatureSet writable = context.configuration.WritableFeatures(partlyKnown);
    if (partlyKnown.any()) {
        return Fail(context,
                    "write-all: LinesToSkip and ValidationOptions go to the printer in one byte, "
                    "and only one of them was read, loaded or set: nothing was written; read-all "
                    "first, or give both");
    }
    context.configuration.PutIntoForm(context.form);
    InterruptionsDeferred deferred;
    context.failed = WriteFeatures(context.form, context.link, writable).Failed();
}

// Checked while the command line is parsed, so a bad NAME or VALUE touches nothing.
std::string CheckSet(const ParsedAction& action) {
    return ParseSetArgument(action.arguments[0]).error;
}

void RunSet(ActionContext& context, const ParsedAction& action) {
    const FormSetting setting = *ParseSetArgument(action.arguments[0]).setting;
    StopOnError(context, ApplySetting(context.configuration, setting, Provenance::Set));
}

void RunShow(ActionContext& context, const ParsedAction& action) {
    const std::vector<ShownField> fields = ShowFields(context.configuration);
    WriteWhole(context.out, action.HasFlag("--json")
                                ? FormatShownJson(fields, context.configuration.Source())
                                : FormatShownLines(fields));
}

// The form's fields as the program knows them, not as any printer holds them: it needs no form.
void RunFields(ActionContext& context, const ParsedAction& action) {
    WriteWhole(context.out, action.HasFlag("--json") ? FormatFieldJson() : FormatFieldLines());
}

// A profile that did not load or save is a failure, and so ends the run. Fields that hold nothing
// anyone gave are saved as "" (leave as it is): said on one line, since such a file restores
// nothing of them.
void RunSave(ActionContext& context, const ParsedAction& action) {
    const std::string& path = action.arguments[0];
    StopOnError(context, SaveProfile(context.configuration, path, context.out));
    const std::vector<std::string> unknown = context.configuration.UnknownFields();
    if (!context.failed && !unknown.empty()) {
        WriteProgramLine(context.err, "warning: save " + path + ": " +
                                          (unknown.size() == kFieldCount
                                               ? "no field was read, loaded or set: every field"
                                               : Joined(unknown) + ": never read, loaded or set:") +
                                          " saved as \"\" (leave as it is)");
    }
}

void RunLoad(ActionContext& context, const ParsedAction& action) {
    StopOnError(context, LoadProfile(context.configuration, action.arguments[0], context.in));
}

// A profile that cannot be read is the failure it is for `load`; a difference is a result, printed
// on standard output, that ends the run with a status of its own.
void RunDiff(ActionContext& context, const ParsedAction& action) {
    const ProfileResult profile = ReadProfile(action.arguments[0], context.in);
    if (!profile.error.empty()) {
        return Fail(context, profile.error);
    }
    const std::vector<FieldDifference> differences =
        CompareWithProfile(context.configuration, profile.settings);
    WriteWhole(context.out, action.HasFlag("--json") ? FormatDifferenceJson(differences)
                                                     : FormatDifferenceLines(differences));
    context.differs = !differences.empty();
}

// `spec`, its one argument marked as a file that it reads or writes.
ActionSpec OnAFile(ActionSpec spec) {
    spec.fileArguments = {0};
    return spec;
}

// `spec`, marked as giving fields their values (read-all, set, load).
ActionSpec GivingFields(ActionSpec spec) {
    spec.givesFields = true;
    return spec;
}

}  // namespace

void RegisterFormActions(ActionRegistry& registry) {
    registry.Add(GivingFields(
        {"read-all", {}, {}, "press \"Read All\"", RunReadAll, nullptr, "read-all show"}));
    ActionSpec writeAll{"write-all",
                        {},
                        {},
                        "press \"Write All\"",
                        RunWriteAll,
                        nullptr,
                        "read-all set 1054=1 write-all"};
    writeAll.needsFields = true;
    registry.Add(writeAll);
    registry.Add(GivingFields({"set",
                               {"NAME=VALUE"},
                               {},
                               "change a field or check box",
                               RunSet,
                               CheckSet,
                               "set ClampDelay=12 write-all"}));
    registry.Add(
        {"show", {}, {"--json"}, "print the fields", RunShow, nullptr, "read-all show --json"});
    registry.Add({"fields",
                  {},
                  {"--json"},
                  "what each field takes",
                  RunFields,
                  nullptr,
                  "fields --json",
                  false});
    registry.Add(OnAFile({"save",
                          {"FILE"},
                          {},
                          "save a profile (-: stdout)",
                          RunSave,
                          nullptr,
                          "read-all save p17.json"}));
    registry.Add(GivingFields(OnAFile({"load",
                                       {"FILE"},
                                       {},
                                       "load a profile (-: stdin)",
                                       RunLoad,
                                       nullptr,
                                       "load site.json write-all"})));
    registry.Add(OnAFile({"diff",
                          {"FILE"},
                          {"--json"},
                          "fields that differ from FILE",
                          RunDiff,
                          nullptr,
                          "read-all diff site.json"}));
}

}  // namespace tq::cli
