#include "cli/Session.h"

#include "cli/ConsoleSink.h"
#include "cli/ConsoleText.h"
#include "cli/HeadlessConfigForm.h"
#include "cli/PrinterOptions.h"
#include "cli/Profile.h"
#include "commands/FormStartup.h"
#include "link/TimedTransfer.h"
#include "platform/SafeFiles.h"

namespace tq::cli {

namespace {

// The action as it was typed, its arguments escaped: they may hold anything.
std::string Describe(const ParsedAction& action) {
    std::string words = action.spec->name;
    for (const std::string& argument : action.arguments) {
        words.append(" ").append(EscapeNameForTerminal(argument));
    }
    for (const std::string& flag : action.flags) {
        words.append(" ").append(flag);
    }
    return words;
}

// Says which actions a failure (or a difference) kept from running, so that a log shows what was
// left undone.
void ReportNotRun(std::ostream& err, const char* after, const std::vector<ParsedAction>& actions,
                  std::size_t from) {
    std::string line = std::string("not run after the ") + after + ":";
    for (std::size_t i = from; i < actions.size(); ++i) {
        line.append(i == from ? " " : ", ").append(Describe(actions[i]));
    }
    WriteProgramLine(err, line);
}

// Output that a script was to read and did not get is a failure, not a success with nothing in it.
// An action that reported its own failure (save -) has said so already.
void CheckOutputKept(ActionContext& context) {
    if (!context.out && !context.failed) {
        WriteProgramLine(context.err, LostOutputText(context.out));
        context.failed = true;
    }
}

// The trace file is emptied as the run starts: one that is also a file an action reads or writes
// would destroy a profile before `load` reads it, or be replaced by `save`.
// The files an action reads or writes: those among its arguments, and the values of its flags
// that name one.
std::vector<std::string> FilesOf(const ParsedAction& action) {
    std::vector<std::string> files;
    for (const std::size_t index : action.spec->fileArguments) {
        files.push_back(action.arguments[index]);
    }
    for (const ValueFlag& flag : action.spec->valueFlags) {
        if (const std::optional<std::string> file = action.ValueOf(flag.name);
            file && flag.value == "FILE") {
            files.push_back(*file);
        }
    }
    return files;
}

std::string TraceClash(const std::string& tracePath, const std::vector<ParsedAction>& actions) {
    for (const ParsedAction& action : actions) {
        for (const std::string& file : FilesOf(action)) {
            if (file != kStandardStream && SameFile(tracePath, file)) {
                return "--trace=" + EscapeNameForTerminal(tracePath) + " is the file of '" +
                       Describe(action) + "': tracing into it would destroy it; trace to another " +
                       "file";
            }
        }
    }
    return {};
}

}  // namespace

// Unlike a person at the form, who sees each box before pressing the next button, a script cannot
// look: a write-all after a read-all that failed would store an empty form in the printer. So the
// first failure ends the run.
int RunSession(const std::vector<ParsedAction>& actions, std::ostream& out, std::ostream& err,
               PrinterLink& link, LineTrace* trace, bool showNotices) {
    ConsoleSink sink(out, err, {showNotices, true});
    ScopedMessageSink installed(&sink);
    HeadlessForm form;
    AddConfigFormControls(form);
    bool started = false;
    ActionContext context{form, link, out, err};
    context.showNotices = showNotices;
    for (std::size_t i = 0; i < actions.size(); ++i) {
        if (context.failed) {
            ReportNotRun(err, "failure", actions, i);
            return 1;
        }
        if (context.differs) {
            ReportNotRun(err, "difference", actions, i);
            return kExitDifference;
        }
        if (actions[i].spec->needsForm && !started) {
            StartUpForm(form, link);
            started = true;
        }
        if (trace != nullptr) {
            trace->BeginAction(Describe(actions[i]));
        }
        actions[i].spec->run(context, actions[i]);
        CheckOutputKept(context);
    }
    if (context.exitStatus) {
        return *context.exitStatus;
    }
    if (context.failed) {
        return 1;
    }
    return context.differs ? kExitDifference : 0;
}

int RunCommandLine(const CommandLine& line, std::ostream& out, std::ostream& err) {
    if (line.options.trace && !line.options.trace->empty()) {
        if (const std::string clash = TraceClash(*line.options.trace, line.actions);
            !clash.empty()) {
            WriteProgramLine(err, clash);
            return 2;
        }
    }
    PrinterLink link;
    if (const std::string error = ApplyPrinterOptions(line.options, link); !error.empty()) {
        WriteProgramLine(err, error);
        return 2;
    }
    LineTrace trace(link);
    if (line.options.trace) {
        if (const std::string error = trace.Open(*line.options.trace, err); !error.empty()) {
            WriteProgramLine(err, "--trace=" + error);
            return 2;
        }
    }
    const bool showNotices = !NoticesLeftOut(line.options);
    if (!line.options.trace) {
        return RunSession(line.actions, out, err, link, nullptr, showNotices);
    }
    link.SetTransferObserver([&trace](TransferEvent event, const BYTE* bytes, DWORD count) {
        trace.Observe(event, bytes, count);
    });
    return RunSession(line.actions, out, err, link, &trace, showNotices);
}

int PrintText(const std::string& text, std::ostream& out, std::ostream& err) {
    WriteWhole(out, text);
    if (!out) {
        WriteProgramLine(err, LostOutputText(out));
        return 1;
    }
    return 0;
}

}  // namespace tq::cli
