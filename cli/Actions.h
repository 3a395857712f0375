// The actions of tq9000ctl as a table: each has a name, the arguments it takes, the flags that may
// follow them, a line of help, and a handler that presses the form's buttons. The command line is
// parsed against the table in full before any action runs, so a usage error touches no printer.
// Each group of actions registers itself (ActionGroups.h).
#pragma once

#include <deque>
#include <functional>
#include <iostream>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "cli/Configuration.h"
#include "cli/GlobalOptions.h"
#include "framework/HeadlessForm.h"
#include "link/PrinterLink.h"

namespace tq::cli {

struct ActionContext {
    // The form the commands work on, and the configuration it stands for: which field holds what,
    // and where each value came from (Configuration.h).
    HeadlessForm& form;
    PrinterLink& link;
    std::ostream& out;            // results, for scripts
    std::ostream& err;            // message boxes and anything else for the user
    std::istream& in = std::cin;  // what `load -` reads
    // Set by a handler for a failure it reports itself rather than through a message box. Like a
    // box that reports a failure, it ends the run after this action (Session.h).
    bool failed = false;
    // Set by `diff` when the form and a profile differ. Not a failure, but it ends the run all the
    // same, with its own exit status (Session.h).
    bool differs = false;
    // Set by an action that gives the run an exit status of its own (check, in the convention of
    // monitoring plugins); the run returns it as it is.
    std::optional<int> exitStatus = std::nullopt;
    // Whether the device notices are shown (not with --quiet, --port or --no-usb).
    bool showNotices = true;
    Configuration configuration{};
};

struct ActionSpec;

struct ParsedAction {
    const ActionSpec* spec = nullptr;
    std::vector<std::string> arguments;  // exactly as given
    std::vector<std::string> flags;      // the flags that followed, of those the action takes
    std::vector<std::pair<std::string, std::string>> values;  // "--profile", "site.json"
    bool HasFlag(const std::string& flag) const;
    std::optional<std::string> ValueOf(const std::string& flag) const;
};

// An optional flag that takes a value: "--profile FILE" or "--profile=FILE".
struct ValueFlag {
    std::string name;   // "--profile"
    std::string value;  // its name in the usage text: "FILE"
};

using ActionHandler = std::function<void(ActionContext&, const ParsedAction&)>;

struct ActionSpec {
    std::string name;
    std::vector<std::string> arguments;  // their names for the usage text; all are required
    std::vector<std::string> flags;      // optional, e.g. "--json"
    std::string summary;
    ActionHandler run;
    // Optional: checks the arguments while the command line is parsed; a non-empty result is a
    // usage error, so a bad value is refused before any printer is touched.
    std::function<std::string(const ParsedAction&)> check = nullptr;
    // What follows "tq9000ctl" in the usage text's example of the action, e.g. "get 88".
    std::string example = "";
    // False for an action that touches no printer and no control (list): it runs without the
    // form's start-up, which looks for the USB printer and opens it.
    bool needsForm = true;
    // The configuration's fields: whether the action gives some of them values (read-all, load,
    // set), and whether it needs an earlier action to have done so (write-all).
    bool givesFields = false;
    bool needsFields = false;
    // The indexes of the arguments that name a file the action reads or writes ("-" among them
    // stands for a standard stream), so that the run's trace can be kept off them.
    std::vector<std::size_t> fileArguments = {};
    std::vector<ValueFlag> valueFlags = {};
    // True for an action that is the whole run (check): no other action may come with it.
    bool alone = false;
};

class ActionRegistry {
public:
    void Add(ActionSpec spec);
    const ActionSpec* Find(const std::string& name) const;
    const std::deque<ActionSpec>& All() const { return specs_; }

private:
    std::deque<ActionSpec> specs_;  // parsed actions point into it: it never moves them
};

struct CommandLine {
    bool help = false;
    bool version = false;
    GlobalOptions options;
    std::vector<ParsedAction> actions;
};

// "--help", "-h", or the system's own switch for help ("/?" on Windows).
bool IsHelpSwitch(const std::string& word);

// Parses argv[1..]: the global options, then the actions. An action's arguments are taken
// verbatim, whatever they look like; "--help" or "--version" in place of an action asks for the
// usage text or the version, and nothing runs. An action that needs fields given before it
// (write-all) with no action before it that gives any is a usage error: it could only write
// nothing.
// Nothing on a usage error, with the reason in `error`.
std::optional<CommandLine> ParseCommandLine(const std::vector<std::string>& args,
                                            const ActionRegistry& registry, std::string& error);

// One screen: every action and every global option with an example of each, and the exit statuses.
std::string UsageText(const ActionRegistry& registry);

// What a usage error prints: "tq9000ctl: REASON" and a line that points at --help, not the whole
// usage text, which would push the reason off the screen.
std::string UsageErrorText(const std::string& reason);

// "tq9000ctl VERSION\n": the project's version, as the build was given it.
std::string VersionText();

}  // namespace tq::cli
