#include "cli/Actions.h"

#include <algorithm>
#include <utility>

namespace tq::cli {

bool ParsedAction::HasFlag(const std::string& flag) const {
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

void ActionRegistry::Add(ActionSpec spec) {
    specs_.push_back(std::move(spec));
}

const ActionSpec* ActionRegistry::Find(const std::string& name) const {
    for (const ActionSpec& spec : specs_) {
        if (spec.name == name) {
            return &spec;
        }
    }
    return nullptr;
}

namespace {

// Takes one action and what belongs to it from args[at...]; `at` moves past them.
std::optional<ParsedAction> ParseAction(const std::vector<std::string>& args, std::size_t& at,
                                        const ActionRegistry& registry, std::string& error) {
    ParsedAction action;
    action.spec = registry.Find(args[at]);
    if (action.spec == nullptr) {
        error = "unknown action '" + args[at] + "'";
        return std::nullopt;
    }
    ++at;
    for (const std::string& name : action.spec->arguments) {
        if (at >= args.size()) {
            error = "'" + action.spec->name + "' needs " + name;
            return std::nullopt;
        }
        action.arguments.push_back(args[at++]);
    }
    const auto& flags = action.spec->flags;
    while (at < args.size() && std::find(flags.begin(), flags.end(), args[at]) != flags.end()) {
        action.flags.push_back(args[at++]);
    }
    if (action.spec->check) {
        error = action.spec->check(action);
        if (!error.empty()) {
            return std::nullopt;
        }
    }
    return action;
}

}  // namespace

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            const ActionRegistry& registry, std::string& error) {
    CommandLine line;
    std::size_t at = 0;
    if (!ParseGlobalOptions(args, at, line.options, error)) {
        return std::nullopt;
    }
    while (at < args.size()) {
        if (args[at] == "--help" || args[at] == "-h") {
            line.help = true;
            return line;
        }
        auto action = ParseAction(args, at, registry, error);
        if (!action) {
            return std::nullopt;
        }
        line.actions.push_back(std::move(*action));
    }
    if (line.actions.empty()) {
        error = "no action given";
        return std::nullopt;
    }
    return line;
}

std::string UsageText(const ActionRegistry& registry) {
    std::string text =
        "usage: tq9000ctl [OPTIONS] ACTION [ARGS...] [ACTION [ARGS...]]...\n"
        "       tq9000ctl --help\n"
        "Runs the tq9000 configuration form without a window: starts it as the desktop form\n"
        "starts (USB discovery, else COM1:), then runs the actions in order, like pressing the\n"
        "form's buttons. Every message box goes to standard error as 'CAPTION: TEXT'; when\n"
        "the printer could not be opened and the cause is known, a line 'hint: ...' follows.\n"
        "actions:\n";
    for (const ActionSpec& spec : registry.All()) {
        std::string call = spec.name;
        for (const std::string& argument : spec.arguments) {
            call += " " + argument;
        }
        for (const std::string& flag : spec.flags) {
            call += " [" + flag + "]";
        }
        call.resize(std::max<std::size_t>(call.size() + 2, 22), ' ');
        text += "  " + call + spec.summary + "\n";
    }
    text += "options (before the actions):\n" + GlobalOptionsUsage();
    text +=
        "The first action that reports a failure is the last to run.\n"
        "exit status: 0 when no message reported a failure, 1 when one did (the run stopped\n"
        "there), 2 for a usage error or a port or printer that is not there (nothing was sent).\n"
        "With no USB printer, COM1: is /dev/ttyS0, or the device named by TQ9000_COM1.\n";
    return text;
}

}  // namespace tq::cli
