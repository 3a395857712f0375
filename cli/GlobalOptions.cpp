#include "cli/GlobalOptions.h"

#include <algorithm>
#include <string_view>

#include "cli/NearestName.h"

namespace tq::cli {

namespace {

struct OptionSpec {
    const char* name;
    const char* value;      // its name for the usage text; nullptr: takes none
    bool valueAfterEquals;  // only "--name=VALUE" gives it a value; "--name" alone is allowed
};

// Their help lines are in the usage text (Actions.cpp).

constexpr OptionSpec kOptions[] = {
    {"--port", "DEVICE", false}, {"--usb", "SELECTOR", false}, {"--no-usb", nullptr, false},
    {"--trace", "FILE", true},   {"--quiet", nullptr, false},
};

const OptionSpec* FindOption(std::string_view name) {
    for (const OptionSpec& spec : kOptions) {
        if (name == spec.name) {
            return &spec;
        }
    }
    return nullptr;
}

std::optional<std::string>* ValueSlot(GlobalOptions& options, std::string_view name) {
    if (name == "--port")
        return &options.port;
    if (name == "--usb")
        return &options.usb;
    return &options.trace;
}

bool& SwitchSlot(GlobalOptions& options, std::string_view name) {
    return name == "--quiet" ? options.quiet : options.noUsb;
}

// Stores one option; false with the reason when it is given twice or its value is empty.
bool Store(const OptionSpec& spec, std::optional<std::string> value, GlobalOptions& options,
           std::string& error) {
    const std::string name = spec.name;
    if (spec.value == nullptr) {
        bool& slot = SwitchSlot(options, name);
        if (slot) {
            error = name + " is given twice";
            return false;
        }
        slot = true;
        return true;
    }
    std::optional<std::string>* slot = ValueSlot(options, name);
    if (slot->has_value()) {
        error = name + " is given twice";
        return false;
    }
    if (value && value->empty()) {
        error = name + " needs " + spec.value + ", not an empty text";
        return false;
    }
    *slot = value ? *value : std::string();
    return true;
}

// Takes one option and its value from args[at...]; false with the reason on a usage error.
bool TakeOption(const std::vector<std::string>& args, std::size_t& at, GlobalOptions& options,
                std::string& error) {
    const std::string& word = args[at++];
    const std::size_t equals = word.find('=');
    const OptionSpec* spec = FindOption(std::string_view(word).substr(0, equals));
    if (spec == nullptr) {
        const std::string typed = word.substr(0, equals);
        error = "unknown option '" + typed + "'" + DidYouMean(typed, GlobalOptionNames());
        return false;
    }
    std::optional<std::string> value;
    if (equals != std::string::npos) {
        value = word.substr(equals + 1);
    } else if (spec->value != nullptr && !spec->valueAfterEquals) {
        if (at >= args.size()) {
            error = std::string("'") + spec->name + "' needs " + spec->value;
            return false;
        }
        value = args[at++];
    }
    if (value && spec->value == nullptr) {
        error = std::string("'") + spec->name + "' takes no value";
        return false;
    }
    return Store(*spec, std::move(value), options, error);
}

std::string Contradiction(const GlobalOptions& options) {
    if (options.usb && options.port) {
        return "--usb and --port name different printers: give one of them";
    }
    if (options.usb && options.noUsb) {
        return "--usb and --no-usb contradict each other";
    }
    return {};
}

}  // namespace

std::vector<std::string> GlobalOptionNames() {
    std::vector<std::string> names;
    for (const OptionSpec& spec : kOptions) {
        names.emplace_back(spec.name);
    }
    names.emplace_back("--help");
    names.emplace_back("--version");
    return names;
}

bool NoticesLeftOut(const GlobalOptions& options) {
    return options.quiet || options.port.has_value() || options.noUsb;
}

bool ParseGlobalOptions(const std::vector<std::string>& args, std::size_t& at,
                        GlobalOptions& options, std::string& error) {
    while (at < args.size() && args[at].rfind("--", 0) == 0 && args[at] != "--help" &&
           args[at] != "--version") {
        if (!TakeOption(args, at, options, error)) {
            return false;
        }
    }
    error = Contradiction(options);
    return error.empty();
}

}  // namespace tq::cli
