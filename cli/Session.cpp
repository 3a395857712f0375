#include "cli/Session.h"

#include "cli/ConsoleSink.h"
#include "cli/ConsoleText.h"
#include "cli/HeadlessConfigForm.h"
#include "commands/FormStartup.h"

namespace tq::cli {

namespace {

// The action as it was typed, its arguments escaped: they may hold anything.
std::string Describe(const ParsedAction& action) {
    std::string words = action.spec->name;
    for (const std::string& argument : action.arguments) {
        words.append(" ").append(EscapeForTerminal(argument));
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
    std::string line = std::string("tq9000ctl: not run after the ") + after + ":";
    for (std::size_t i = from; i < actions.size(); ++i) {
        line.append(i == from ? " " : ", ").append(Describe(actions[i]));
    }
    WriteWhole(err, line + "\n");
}

}  // namespace

// Unlike a person at the form, who sees each box before pressing the next button, a script cannot
// look: a write-all after a read-all that failed would store an empty form in the printer. So the
// first failure ends the run.
int RunSession(const std::vector<ParsedAction>& actions, std::ostream& out, std::ostream& err) {
    ConsoleSink sink(out, err);
    ScopedMessageSink installed(&sink);
    HeadlessForm form;
    AddConfigFormControls(form);
    StartUpForm(form);
    ActionContext context{form, out, err};
    for (std::size_t i = 0; i < actions.size(); ++i) {
        if (sink.FailureShown() || context.failed) {
            ReportNotRun(err, "failure", actions, i);
            return 1;
        }
        if (context.differs) {
            ReportNotRun(err, "difference", actions, i);
            return kExitDifference;
        }
        actions[i].spec->run(context, actions[i]);
    }
    if (sink.FailureShown() || context.failed) {
        return 1;
    }
    return context.differs ? kExitDifference : 0;
}

}  // namespace tq::cli
