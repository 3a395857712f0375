#include "cli/Session.h"

#include "cli/ConsoleSink.h"
#include "cli/HeadlessConfigForm.h"
#include "commands/FormStartup.h"

namespace tq::cli {

// Every action runs, as a person would go on pressing buttons after a failed one.
int RunSession(const std::vector<ParsedAction>& actions, std::ostream& out, std::ostream& err) {
    ConsoleSink sink(out, err);
    ScopedMessageSink installed(&sink);
    HeadlessForm form;
    AddConfigFormControls(form);
    StartUpForm(form);
    ActionContext context{form, out, err};
    for (const ParsedAction& action : actions) {
        action.spec->run(context, action);
        if (context.stop) {
            break;
        }
    }
    return sink.FailureShown() || context.failed ? 1 : 0;
}

}  // namespace tq::cli
