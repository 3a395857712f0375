// The profile reader with any text: it either refuses the text or gives settings that, applied to
// a configuration and saved again, make a profile that reads back to the very same configuration,
// and from which that configuration differs nowhere. Whatever the JSON reader accepts, its writer
// writes again as text that reads back to the same members.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "cli/FlatJson.h"
#include "cli/Profile.h"
#include "cli/ProfileDiff.h"

namespace {

void Apply(tq::Configuration& configuration, const tq::ProfileResult& profile) {
    for (const tq::FormSetting& setting : profile.settings) {
        tq::ApplySetting(configuration, setting, tq::Provenance::Loaded);
    }
}

std::string Shown(const tq::Configuration& configuration) {
    return tq::FormatShownLines(tq::ShowFields(configuration));
}

// The writer keeps one member per key, so only objects without a repeated key come back whole.
void CheckJsonRoundTrip(std::string_view text) {
    const tq::JsonReadResult json = tq::ReadFlatJsonObject(text);
    std::vector<std::pair<std::string, std::string>> members;
    std::set<std::string> keys;
    for (const tq::JsonMember& member : json.members) {
        members.emplace_back(member.key, member.value);
        keys.insert(member.key);
    }
    if (!json.error.empty() || keys.size() != members.size()) {
        return;
    }
    const tq::JsonReadResult again = tq::ReadFlatJsonObject(tq::WriteFlatJsonObject(members));
    if (!again.error.empty() || again.members.size() != members.size()) {
        std::abort();
    }
    for (std::size_t i = 0; i < members.size(); ++i) {
        if (again.members[i].key != members[i].first ||
            again.members[i].value != members[i].second) {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    CheckJsonRoundTrip(text);
    const tq::ProfileResult profile = tq::ParseProfile(text);
    if (!profile.error.empty()) {
        return 0;
    }
    tq::Configuration configuration;
    Apply(configuration, profile);
    if (!tq::CompareWithProfile(configuration, profile.settings).empty()) {
        std::abort();
    }
    const tq::ProfileResult saved = tq::ParseProfile(tq::FormatProfile(configuration));
    tq::Configuration copy;
    Apply(copy, saved);
    if (!saved.error.empty() || Shown(copy) != Shown(configuration)) {
        std::abort();
    }
    return 0;
}
