#include "cli/NearestName.h"

#include <algorithm>
#include <cctype>

namespace tq::cli {

namespace {

bool SameLetter(char a, char b) {
    return std::tolower(static_cast<unsigned char>(a)) ==
           std::tolower(static_cast<unsigned char>(b));
}

// A name this far from the typed one is still a slip of it: one edit for short names ("-h" and
// "--usb" differ in more than spelling), one more for every four characters.
std::size_t SlipAllowance(std::string_view typed) {
    return 1 + typed.size() / 4;
}

}  // namespace

// The optimal-string-alignment distance over three rows of the table.
std::size_t EditDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> before(b.size() + 1);
    std::vector<std::size_t> previous(b.size() + 1);
    std::vector<std::size_t> current(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) {
        previous[j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t replace = SameLetter(a[i - 1], b[j - 1]) ? 0 : 1;
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + replace});
            if (i > 1 && j > 1 && SameLetter(a[i - 1], b[j - 2]) &&
                SameLetter(a[i - 2], b[j - 1])) {
                current[j] = std::min(current[j], before[j - 2] + 1);
            }
        }
        before.swap(previous);
        previous.swap(current);
    }
    return previous[b.size()];
}

std::optional<std::string> NearestName(std::string_view typed,
                                       const std::vector<std::string>& known) {
    std::optional<std::string> best;
    std::size_t bestDistance = SlipAllowance(typed) + 1;
    bool tied = false;
    for (const std::string& name : known) {
        const std::size_t distance = EditDistance(typed, name);
        if (distance < bestDistance) {
            best = name;
            bestDistance = distance;
            tied = false;
        } else if (distance == bestDistance) {
            tied = true;
        }
    }
    return tied ? std::nullopt : best;
}

std::string DidYouMean(std::string_view typed, const std::vector<std::string>& known) {
    const std::optional<std::string> name = NearestName(typed, known);
    return name ? "; did you mean '" + *name + "'?" : "";
}

}  // namespace tq::cli
