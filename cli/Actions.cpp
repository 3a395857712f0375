#include "cli/Actions.h"

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/SystemNames.h"
#include "version/ProjectVersion.h"

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
    return call;
}

}  // namespace

std::string UsageText(const ActionRegistry& registry) {
    std::string text =
        "usage: tq9000ctl [OPTION]... ACTION [ARGS] [ACTION [ARGS]]...\n"
        "Runs the tq9000 form without a window; the actions press its buttons in order. Boxes go "
        "to\n"
        "stderr as 'CAPTION: TEXT'. The printer: USB if found, else " +
        std::string(ThisSystemsNames().comPort) + ".\n";
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
        "Exit status: 0 done; 1 an action failed (the run stopped there); 2 a usage error (nothing "
        "sent);\n"
        "3 diff found a difference (the actions after it were not run). More in "
        "docs/technician.md.\n";
    return text;
}

std::string VersionText() {
    return std::string("tq9000ctl ") + kProjectVersion + "\n";
}

}  // namespace tq::cli
