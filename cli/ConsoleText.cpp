#include "cli/ConsoleText.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace tq::cli {

namespace {

// The slot of every stream where WriteWhole keeps the errno of its first failure.
const int kFailureSlot = std::ios_base::xalloc();

std::string Escape(std::string_view text, bool doubleBackslashes) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' && doubleBackslashes) {
            out += "\\\\";
        } else if (byte < 0x20 || byte > 0x7E) {
            char escape[5];
            std::snprintf(escape, sizeof escape, "\\x%02X", static_cast<unsigned>(byte));
            out += escape;
        } else {
            out += c;
        }
    }
    return out;
}

}  // namespace

std::string EscapeForTerminal(std::string_view text) {
    return Escape(text, true);
}

std::string EscapeNameForTerminal(std::string_view name) {
    return Escape(name, false);
}

// Standard error is unbuffered: every << on it is a write of its own, which is how lines of
// runs sharing it get torn. One write() of the whole text is a single write(2) there, and one
// flush of the buffer on standard output. The errno of a failure is read at once: the write or
// flush that failed is the last call that set it.
void WriteWhole(std::ostream& stream, std::string_view text) {
    const bool wasGood = stream.good();
    errno = 0;
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
    stream.flush();
    if (wasGood && !stream) {
        stream.iword(kFailureSlot) = errno;
    }
}

std::string LostOutputText(std::ostream& out) {
    const long error = out.iword(kFailureSlot);
    const std::string cause = error != 0 ? std::strerror(static_cast<int>(error)) : "";
    return "standard output: cannot be written" + (cause.empty() ? "" : ": " + cause);
}

void WriteProgramLine(std::ostream& stream, std::string_view text) {
    WriteWhole(stream, "tq9000ctl: " + EscapeNameForTerminal(text) + "\n");
}

std::string Joined(const std::vector<std::string>& names) {
    std::string joined;
    for (const std::string& name : names) {
        joined += (joined.empty() ? "" : ", ") + name;
    }
    return joined;
}

}  // namespace tq::cli
