#include "cli/Actions.h"

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

#include "cli/ConsoleText.h"
#include "cli/NearestName.h"
#include "platform/SystemNames.h"
#include "protocol/FeatureMap.h"
#include "protocol/FontTable.h"
#include "version/ProjectVersion.h"

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

bool IsGlobalOption(const std::string& word) {
    const std::vector<std::string> options = GlobalOptionNames();
    const std::string name = word.substr(0, word.find('='));
    return std::find(options.begin(), options.end(), name) != options.end();
}

// A word that starts with a dash is taken for a misspelled flag of the action before it (or an
// option); anything else for a misspelled action.
std::string UnknownAction(const std::string& word, const ActionRegistry& registry,
                          const ActionSpec* before) {
    if (IsGlobalOption(word)) {
        return "'" + word + "' is an option of the whole run: put it before the first action";
    }
    if (word.rfind('-', 0) == 0) {
        std::vector<std::string> known = GlobalOptionNames();
        const std::string what =
            before != nullptr ? "'" + before->name + "' takes no option" : "unknown option";
        if (before != nullptr) {
            known.insert(known.end(), before->flags.begin(), before->flags.end());
            for (const ValueFlag& flag : before->valueFlags) {
                known.push_back(flag.name);
            }
        }
        return what + " '" + word + "'" + DidYouMean(word, known);
    }
    std::vector<std::string> known;
    for (const ActionSpec& spec : registry.All()) {
        known.push_back(spec.name);
    }
    return "unknown action '" + word + "'" + DidYouMean(word, known);
}

// Takes one action and what belongs to it from args[at...]; `at` moves past them.
std::optional<ParsedAction> ParseAction(const std::vector<std::string>& args, std::size_t& at,
                                        const ActionRegistry& registry, const ActionSpec* before,
                                        std::string& error) {
    ParsedAction action;
    action.spec = registry.Find(args[at]);
    if (action.spec == nullptr) {
        error = UnknownAction(args[at], registry, before);
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

bool IsHelpSwitch(const std::string& word) {
    const char* systems = ThisSystemsNames().helpSwitch;
    return word == "--help" || word == "-h" || (systems != nullptr && word == systems);
}

std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            const ActionRegistry& registry, std::string& error) {
    CommandLine line;
    std::size_t at = 0;
    if (!ParseGlobalOptions(args, at, line.options, error)) {
        return std::nullopt;
    }
    while (at < args.size()) {
        if (IsHelpSwitch(args[at])) {
            line.help = true;
            return line;
        }
        if (args[at] == "--version") {
            line.version = true;
            return line;
        }
        const ActionSpec* before = line.actions.empty() ? nullptr : line.actions.back().spec;
        auto action = ParseAction(args, at, registry, before, error);
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
        {"--port DEVICE", "COM1: is DEVICE; no USB",
         std::string("--port ") + names.serialPort + " status"},
        {"--usb SELECTOR", "USB printer: serial or path",
         std::string("--usb ") + names.usbPrinter + " status"},
        {"--no-usb", "COM1:, no USB printer", "--no-usb get 88"},
        {"--trace[=FILE]", "the line to stderr or FILE", "--trace=run.log read-all"},
        {"--quiet", "no start-up notice", "--quiet read-all show"},
        {"--version", "print the version", "--version"},
        {"--help", "print this help", "--help"},
    };
}

// Columns of the usage text: call, summary, example. Every line fits in 80 columns.
constexpr std::size_t kSummaryColumn = 22;
constexpr std::size_t kExampleColumn = 51;
constexpr std::size_t kBoxColumn = 23;
constexpr std::size_t kWidth = 80;

std::string HelpLine(const std::string& call, const std::string& summary,
                     const std::string& example) {
    std::string line = "  " + call;
    line.resize(std::max(line.size() + 1, kSummaryColumn), ' ');
    line += summary;
    line.resize(std::max(line.size() + 2, kExampleColumn), ' ');
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

// The words as lines of at most kWidth columns, each after the first indented by two blanks.
std::string Wrapped(const std::vector<std::string>& words) {
    std::string text;
    std::string line;
    for (const std::string& word : words) {
        if (!line.empty() && line.size() + 1 + word.size() > kWidth) {
            text += line + "\n";
            line.assign(1, ' ');
        }
        line += (line.empty() ? "" : " ") + word;
    }
    return text + line + "\n";
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        words.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return words;
}

// What `set` takes, the font names and the check boxes among them, from the tables the form uses.
std::string ValuesHelp() {
    std::vector<std::string> words = Words(
        "values: numbers in decimal, option groups in hex (as show prints them), fonts by name in "
        "any case:");
    for (std::size_t i = 0; i < FontTable.size(); ++i) {
        words.push_back(std::string(FontTable[i].displayName) + ",");
    }
    words.push_back("none.");
    std::string text = Wrapped(words);
    text += "check boxes: set ID=1 (checked) or ID=0; ID:BIT, by group:\n";
    for (const FeatureBinding& feature : FeatureMap) {
        if (feature.flags.empty()) {
            continue;
        }
        std::string line = std::string("  ") + feature.name;
        for (const FlagBinding& flag : feature.flags) {
            char box[16];
            std::snprintf(box, sizeof box, " %d:%02X", flag.control, flag.mask);
            line.resize(std::max(line.size(), kBoxColumn - 1), ' ');
            line += box;
        }
        text += line + "\n";
    }
    return text;
}

}  // namespace

std::string UsageErrorText(const std::string& reason) {
    return "tq9000ctl: " + EscapeNameForTerminal(reason) + "\nTry 'tq9000ctl --help'\n";
}

std::string UsageText(const ActionRegistry& registry) {
    std::string text =
        "usage: tq9000ctl [OPTION]... ACTION [ARGS] [ACTION [ARGS]]...\n"
        "Runs the tq9000 form without a window: the actions press its buttons in order.\n"
        "Boxes go to stderr as 'CAPTION: TEXT'.\n"
        "The printer: USB if found, else " +
        std::string(ThisSystemsNames().comPort) + ".\n";
    std::string header = "actions:";
    header.resize(kExampleColumn, ' ');
    text += header + "example: tq9000ctl ...\n";
    for (const ActionSpec& spec : registry.All()) {
        text += HelpLine(CallOf(spec), spec.summary, spec.example);
    }
    text += "options (before the first action):\n";
    for (const OptionHelp& option : GlobalOptionHelp()) {
        text += HelpLine(option.call, option.summary, option.example);
    }
    text += ValuesHelp();
    text += Wrapped(Words(
        "exit status: 0 done; 1 an action failed (the run stopped there); 2 a usage error "
        "(nothing sent); 3 diff found a difference (the actions after it were not run). check: 0 "
        "OK, 1 WARNING, 2 CRITICAL, 3 UNKNOWN. More in docs/technician.md and man tq9000ctl."));
    return text;
}

std::string VersionText() {
    return std::string("tq9000ctl ") + kProjectVersion + "\n";
}

}  // namespace tq::cli
