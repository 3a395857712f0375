#include "cli/Actions.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "cli/SystemNames.h"

namespace tq::cli {

bool ParsedAction::HasFlag(const std::string& flag) const {
    return std::find(flags.begin(), flags.end(), flag) != flags.end();
}

std::optional<std::string> ParsedAction::ValueOf(const std::string& flag) const {
    for (const auto& [name, value] : values) {
        if (name == flag) {
            return value;
        }
    }
    return std::nullopt;
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

// Takes a flag with its value ("--profile FILE" or "--profile=FILE") from args[at...] when one of
// the action's comes next; `at` moves past it. False when none comes, or on a usage error.
bool TakeValueFlag(const std::vector<std::string>& args, std::size_t& at, ParsedAction& action,
                   std::string& error) {
    for (const ValueFlag& flag : action.spec->valueFlags) {
        const std::string& arg = args[at];
        if (arg.rfind(flag.name + "=", 0) == 0) {
            action.values.emplace_back(flag.name, arg.substr(flag.name.size() + 1));
            ++at;
            return true;
        }
        if (arg == flag.name) {
            if (at + 1 >= args.size()) {
                error = "'" + action.spec->name + "' " + flag.name + " needs " + flag.value;
                return false;
            }
            action.values.emplace_back(flag.name, args[at + 1]);
            at += 2;
            return true;
        }
    }
    return false;
}

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
    while (at < args.size()) {
        if (std::find(flags.begin(), flags.end(), args[at]) != flags.end()) {
            action.flags.push_back(args[at++]);
        } else if (!TakeValueFlag(args, at, action, error)) {
            break;
        }
    }
    if (!error.empty()) {
        return std::nullopt;
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
        if (args[at] == "--version") {
            line.version = true;
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
    for (const ParsedAction& action : line.actions) {
        if (action.spec->alone && line.actions.size() > 1) {
            error = "'" + action.spec->name + "' is the whole run: give it no other action";
            return std::nullopt;
        }
    }
    bool given = false;
    for (const ParsedAction& action : line.actions) {
        if (action.spec->needsFields && !given) {
            error = "'" + action.spec->name +
                    "' has nothing to write: no read-all, load or set comes before it";
            return std::nullopt;
        }
        given = given || action.spec->givesFields;
    }
    return line;
}

namespace {

// The options that choose the printer and what is shown of the exchange; they come before the
// actions and apply to the whole run.
struct OptionHelp {
    std::string call;
    std::string summary;
    std::string example;
};
std::vector<OptionHelp> GlobalOptionHelp() {
    const SystemNames& names = ThisSystemsNames();
    return {
        {"--port DEVICE", "use DEVICE as COM1:, and no USB printer",
         std::string("--port ") + names.serialPort + " status"},
        {"--usb SELECTOR", "the USB printer: serial number or device path",
         std::string("--usb ") + names.usbPrinter + " status"},
        {"--no-usb", "do not look for a USB printer: use COM1:", "--no-usb get 88"},
        {"--trace[=FILE]", "frames and chunks to standard error, or FILE",
         "--trace=run.log read-all"},
        {"--version", "print the version", "--version"},
        {"--help", "print this help", "--help"},
    };
}

// Columns of the usage text: call, summary, example. The whole fits in 100 columns.
constexpr std::size_t kSummaryColumn = 22;
constexpr std::size_t kExampleColumn = 69;

std::string HelpLine(const std::string& call, const std::string& summary,
                     const std::string& example) {
    std::string line = "  " + call;
    line.resize(std::max(line.size() + 1, kSummaryColumn), ' ');
    line += summary;
    line.resize(std::max(line.size() + 1, kExampleColumn), ' ');
    return line + example + "\n";
}

std::string CallOf(const ActionSpec& spec) {
    std::string call = spec.name;
    for (const std::string& argument : spec.arguments) {
        call += " " + argument;
    }
    for (const std::string& flag : spec.flags) {
        call += " [" + flag + "]";
    }
    if (!spec.valueFlags.empty()) {
        call += " [OPTION]...";  // listed by the action's summary and the manual
    }
    return call;
}

}  // namespace

std::string UsageText(const ActionRegistry& registry) {
    std::string text =
        "usage: tq9000ctl [OPTION]... ACTION [ARGS]...  The form without a window: actions press "
        "buttons.\n"
        "Boxes go to stderr. The printer: USB, else " +
        std::string(ThisSystemsNames().comPort) + ". docs/technician.md\n";
    std::string header = "actions:";
    header.resize(kExampleColumn, ' ');
    text += header + "example: tq9000ctl ...\n";
    for (const ActionSpec& spec : registry.All()) {
        text += HelpLine(CallOf(spec), spec.summary, spec.example);
    }
    text += "options:\n";
    for (const OptionHelp& option : GlobalOptionHelp()) {
        text += HelpLine(option.call, option.summary, option.example);
    }
    text +=
        "Exit status: 0 done; 1 an action failed (run stopped); 2 usage error (nothing sent); 3 "
        "diff "
        "differs.\n";
    return text;
}

std::string VersionText() {
    return std::string("tq9000ctl ") + TQ_PROJECT_VERSION + "\n";
}

}  // namespace tq::cli
