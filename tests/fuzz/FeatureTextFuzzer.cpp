// The edit-text and reply-text conversions of the feature map with any text: the leading integer
// must agree with the C library's strtoll clamped to 32 bits, no number outside a feature's range
// is ever written, a number that Write All's strict check accepts is written as that value, and
// whatever a reply puts into a feature's controls reads back as a byte the
// form can hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "framework/HeadlessForm.h"
#include "protocol/FeatureMap.h"
#include "tests/unit/featuremap/FeatureForm.h"

namespace {

void CheckLeadingInteger(const std::string& text) {
    const long long reference = std::strtoll(text.c_str(), nullptr, 10);
    const long long clamped = std::min<long long>(
        std::max<long long>(reference, std::numeric_limits<std::int32_t>::min()),
        std::numeric_limits<std::int32_t>::max());
    if (tq::ReadLeadingInteger(text) != clamped) {
        std::abort();
    }
}

// An edit's text written into the feature's edit (or LinesToSkip) gives nothing or a byte in range.
void CheckNumber(tq::HeadlessForm& form, const tq::FeatureBinding& feature,
                 const std::string& text) {
    form.SetDlgItemText(feature.control, text);
    const auto value = tq::FormToFeature(form, feature);
    const std::int32_t read = tq::ReadLeadingInteger(text);
    const bool written = !text.empty() && read >= 0 && read <= feature.upperBound;
    if (value.has_value() != written || (value && *value != read)) {
        std::abort();
    }
    const auto whole = tq::ReadWholeNumber(text, feature.upperBound);
    if (whole && value != whole) {
        std::abort();
    }
}

// A reply of any text leaves the controls holding a byte of owned bits and a LinesToSkip of 0..7.
void CheckReply(tq::HeadlessForm& form, const tq::FeatureBinding& feature,
                const std::string& text) {
    tq::FeatureToForm(form, feature, text.c_str());
    const auto value = tq::FormToFeature(form, feature);
    if (feature.kind == tq::FeatureKind::FlagSet) {
        const int shown = tq::OwnedFlagBits(feature) | (feature.linesToSkipControl ? 0x0F : 0);
        if (!value || (*value & ~shown) != 0) {
            std::abort();
        }
    }
    if (feature.linesToSkipControl != 0) {
        const std::string lines = form.GetDlgItemText(feature.linesToSkipControl);
        if (lines.size() != 1 || lines[0] < '0' || lines[0] > '8') {
            std::abort();
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const tq::FeatureBinding& feature = tq::FeatureMap[data[0] % tq::FeatureMap.size()];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    tq::HeadlessForm form;
    tq::test::AddFeatureControls(form);
    form.SetDlgItemText(1028, "8");
    CheckLeadingInteger(text);
    if (tq::ReadBoundedNumber(text, 40).value_or(0) > 40) {
        std::abort();
    }
    if (feature.kind == tq::FeatureKind::Number) {
        CheckNumber(form, feature, text);
    } else {
        CheckReply(form, feature, text);
    }
    return 0;
}
