#include "sim/SimOptions.h"

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "protocol/FeatureMap.h"

namespace tq::sim {

const char* const kSimUsage =
    "usage: tq9000-sim [options] [-- COMMAND [ARGS...]]\n"
    "Serves a simulated tq9000 printer on a pseudo-terminal. Without a command, prints the\n"
    "terminal's path and serves until interrupted; with one, runs it with TQ9000_COM1 set to that\n"
    "path, serves until it exits, and exits with its status.\n"
    "options:\n"
    "  --silent             answer nothing\n"
    "  --delay-ms N         wait N ms before each reply\n"
    "  --chunk N            send replies in pieces of N bytes\n"
    "  --chunk-gap-ms N     time between the pieces of a reply (default 1)\n"
    "  --status VALUE       the status byte that ENQ gets (default 0x00)\n"
    "  --oversized-text     text features answer with 300 characters\n"
    "  --extra-bytes HEX    bytes appended to every reply, e.g. aa03\n"
    "  --garbage HEX        bytes sent ahead of every reply\n"
    "  --hang-up-after N    close the terminal once N bytes have passed over it, either way,\n"
    "                       when the next one comes or is due (mid-frame or mid-reply)\n"
    "  --set ID=VALUE       start with feature ID (a number or a name such as ClampDelay)\n"
    "                       holding VALUE (decimal or 0x hex)\n"
    "  --text ID=TEXT       start with text feature ID (0x30..0x3F) answering TEXT\n"
    "  --state-file F       start with the features F holds, when it exists; at exit,\n"
    "                       write them to F as 'ID VALUE' lines (decimal)\n"
    "  --print-log F        at exit, write the printed bytes to F\n"
    "  --help               show this text\n";

namespace {

// A number in decimal, or in hexadecimal after 0x; nothing for any other text or beyond `max`.
std::optional<unsigned long> ParseNumber(std::string_view text, unsigned long max) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    }
    if (text.empty() || !std::isxdigit(static_cast<unsigned char>(text[0]))) {
        return std::nullopt;
    }
    const std::string digits(text);
    char* end = nullptr;
    errno = 0;
    const unsigned long value = std::strtoul(digits.c_str(), &end, base);
    if (errno != 0 || *end != '\0' || value > max) {
        return std::nullopt;
    }
    return value;
}

std::optional<std::vector<std::uint8_t>> ParseHexBytes(std::string_view text) {
    if (text.empty() || text.size() % 2 != 0) {
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const auto byte = ParseNumber("0x" + std::string(text.substr(i, 2)), 0xFF);
        if (!byte) {
            return std::nullopt;
        }
        bytes.push_back(static_cast<std::uint8_t>(*byte));
    }
    return bytes;
}

// A feature by its number, or by its name as tq9000ctl shows it ("ClampDelay").
std::optional<unsigned long> FeatureNumber(std::string_view text) {
    if (const FeatureBinding* feature = FindFeature(text)) {
        return feature->id;
    }
    return ParseNumber(text, 0xFF);
}

// ID=REST: the id as a byte, and the text after "=".
std::optional<std::pair<std::uint8_t, std::string>> ParseAssignment(std::string_view text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string_view::npos) {
        return std::nullopt;
    }
    const auto id = FeatureNumber(text.substr(0, equals));
    if (!id) {
        return std::nullopt;
    }
    return std::make_pair(static_cast<std::uint8_t>(*id), std::string(text.substr(equals + 1)));
}

using Setter = bool (*)(SimOptions&, const std::string&);

struct OptionSpec {
    const char* name;
    bool takesValue;
    Setter set;
};

bool SetUnsigned(unsigned& target, const std::string& value) {
    const auto number = ParseNumber(value, 60000);
    if (number) {
        target = static_cast<unsigned>(*number);
    }
    return number.has_value();
}

bool SetBytes(std::vector<std::uint8_t>& target, const std::string& value) {
    const auto bytes = ParseHexBytes(value);
    if (bytes) {
        target = *bytes;
    }
    return bytes.has_value();
}

const OptionSpec kOptions[] = {
    {"--silent", false, [](SimOptions& o, const std::string&) { return o.faults.silent = true; }},
    {"--oversized-text", false,
     [](SimOptions& o, const std::string&) { return o.faults.oversizedText = true; }},
    {"--help", false, [](SimOptions& o, const std::string&) { return o.help = true; }},
    {"--delay-ms", true,
     [](SimOptions& o, const std::string& v) { return SetUnsigned(o.faults.delayMs, v); }},
    {"--chunk-gap-ms", true,
     [](SimOptions& o, const std::string& v) { return SetUnsigned(o.faults.chunkGapMs, v); }},
    {"--chunk", true,
     [](SimOptions& o, const std::string& v) {
         const auto n = ParseNumber(v, 4096);
         o.faults.chunkSize = n ? *n : 0;
         return n.has_value() && *n > 0;
     }},
    {"--status", true,
     [](SimOptions& o, const std::string& v) {
         const auto n = ParseNumber(v, 0xFF);
         o.faults.statusByte = static_cast<std::uint8_t>(n ? *n : 0);
         return n.has_value();
     }},
    {"--extra-bytes", true,
     [](SimOptions& o, const std::string& v) { return SetBytes(o.faults.extraBytes, v); }},
    {"--garbage", true,
     [](SimOptions& o, const std::string& v) { return SetBytes(o.faults.garbage, v); }},
    {"--hang-up-after", true,
     [](SimOptions& o, const std::string& v) {
         unsigned bytes = 0;
         if (!SetUnsigned(bytes, v)) {
             return false;
         }
         o.faults.hangUpAfterBytes = bytes;
         return true;
     }},
    {"--set", true,
     [](SimOptions& o, const std::string& v) {
         const auto assignment = ParseAssignment(v);
         const auto value = assignment ? ParseNumber(assignment->second, 0xFF) : std::nullopt;
         if (value) {
             o.features.emplace_back(assignment->first, static_cast<std::uint8_t>(*value));
         }
         return value.has_value();
     }},
    {"--text", true,
     [](SimOptions& o, const std::string& v) {
         const auto assignment = ParseAssignment(v);
         const bool ok = assignment && assignment->first >= 0x30 && assignment->first <= 0x3F;
         if (ok) {
             o.texts.push_back(*assignment);
         }
         return ok;
     }},
    {"--state-file", true,
     [](SimOptions& o, const std::string& v) { return !(o.stateFile = v).empty(); }},
    {"--print-log", true,
     [](SimOptions& o, const std::string& v) { return !(o.printLogFile = v).empty(); }},
};

const OptionSpec* FindOption(const std::string& name) {
    for (const OptionSpec& spec : kOptions) {
        if (name == spec.name) {
            return &spec;
        }
    }
    return nullptr;
}

}  // namespace

std::optional<SimOptions> ParseSimOptions(const std::vector<std::string>& args,
                                          std::string& error) {
    SimOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--") {
            options.command.assign(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            if (options.command.empty()) {
                error = "no command after --";
                return std::nullopt;
            }
            return options;
        }
        const OptionSpec* spec = FindOption(args[i]);
        if (spec == nullptr) {
            error = "unknown option " + args[i];
            return std::nullopt;
        }
        if (spec->takesValue && i + 1 >= args.size()) {
            error = args[i] + " needs a value";
            return std::nullopt;
        }
        const std::string value = spec->takesValue ? args[++i] : std::string();
        if (!spec->set(options, value)) {
            error = "bad value for " + std::string(spec->name) + ": " + value;
            return std::nullopt;
        }
    }
    return options;
}

void ApplySimOptions(const SimOptions& options, PrinterModel& model) {
    model.faults = options.faults;
    for (const auto& [id, value] : options.features) {
        model.SetFeature(id, value);
    }
    for (const auto& [id, text] : options.texts) {
        model.SetText(id, text);
    }
}

}  // namespace tq::sim
