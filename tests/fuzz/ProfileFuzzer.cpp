// The profile reader with any text: it either refuses the text or gives settings that, applied to
// a form and saved again, make a profile that reads back to the very same form.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/FlatJson.h"
#include "cli/Profile.h"
#include "framework/HeadlessForm.h"
#include "tests/unit/featuremap/FeatureForm.h"

namespace {

void Apply(tq::HeadlessForm& form, const tq::ProfileResult& profile) {
    for (const tq::FormSetting& setting : profile.settings) {
        tq::ApplySetting(form, setting);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const tq::JsonReadResult json = tq::ReadFlatJsonObject(text);
    if (json.error.empty()) {
        std::vector<std::pair<std::string, std::string>> members;
        for (const tq::JsonMember& member : json.members) {
            members.emplace_back(member.key, member.value);
        }
        const tq::JsonReadResult again = tq::ReadFlatJsonObject(tq::WriteFlatJsonObject(members));
        if (!again.error.empty() || again.members.size() != members.size()) {
            std::abort();
        }
    }
    const tq::ProfileResult profile = tq::ParseProfile(text);
    if (!profile.error.empty()) {
        return 0;
    }
    tq::HeadlessForm form;
    tq::test::AddFeatureControls(form);
    Apply(form, profile);
    const tq::ProfileResult saved = tq::ParseProfile(tq::FormatProfile(form));
    tq::HeadlessForm copy;
    tq::test::AddFeatureControls(copy);
    Apply(copy, saved);
    if (!saved.error.empty() ||
        tq::test::DescribeFeatureControls(copy) != tq::test::DescribeFeatureControls(form)) {
        std::abort();
    }
    return 0;
}
