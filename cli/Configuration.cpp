#include "cli/Configuration.h"

#include <cstdio>
#include <utility>

#include "framework/WindowConstants.h"
#include "framework/WindowOps.h"
#include "protocol/FontTable.h"

namespace tq {

namespace {

constexpr const char* kNoFont = "none";

std::array<FieldInfo, kFieldCount> MakeFields() {
    std::array<FieldInfo, kFieldCount> fields{};
    std::size_t at = 0;
    for (const FeatureBinding& feature : FeatureMap) {
        fields[at++] = {feature.name, &feature, false};
        if (feature.linesToSkipControl != 0) {
            fields[at++] = {kLinesToSkipName, &feature, true};
        }
    }
    return fields;
}

std::string FontName(int index) {
    return FontCodeOfIndex(index) ? FontTable[static_cast<std::size_t>(index)].displayName
                                  : kNoFont;
}

int FontIndex(std::string_view name) {
    for (std::size_t i = 0; i < FontTable.size(); ++i) {
        if (name == FontTable[i].displayName) {
            return static_cast<int>(i);
        }
    }
    return kCbErr;
}

// The field as its controls show it.
std::string ValueInForm(const WindowOps& form, const FieldInfo& field) {
    const FeatureBinding& feature = *field.feature;
    if (field.linesToSkip) {
        return form.GetDlgItemText(feature.linesToSkipControl);
    }
    switch (feature.kind) {
        case FeatureKind::Number:
            return form.GetDlgItemText(feature.control);
        case FeatureKind::FlagSet:
            return Hex2(CheckedFlagBits(form, feature));
        case FeatureKind::FontChoice:
            return FontName(form.GetCurSel(feature.control));
    }
    return {};
}

void PutValue(WindowOps& form, const FieldInfo& field, const ConfigField& value) {
    const FeatureBinding& feature = *field.feature;
    const std::string text = value.Known() ? value.value : "";
    if (field.linesToSkip) {
        form.SetDlgItemText(feature.linesToSkipControl, text);
        return;
    }
    switch (feature.kind) {
        case FeatureKind::Number:
            form.SetDlgItemText(feature.control, text);
            return;
        case FeatureKind::FlagSet:
            SetFlagBoxes(form, feature, ReadHexByte(text).value_or(0));
            return;
        case FeatureKind::FontChoice:
            form.SetCurSel(feature.control, FontIndex(text));
            return;
    }
}

}  // namespace

const std::array<FieldInfo, kFieldCount>& ConfigFields() {
    static const std::array<FieldInfo, kFieldCount> fields = MakeFields();
    return fields;
}

std::optional<std::size_t> FieldIndex(std::string_view name) {
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (ConfigFields()[i].name == name) {
            return i;
        }
    }
    return std::nullopt;
}

std::vector<std::string> FieldNames() {
    std::vector<std::string> names;
    for (const FieldInfo& field : ConfigFields()) {
        names.emplace_back(field.name);
    }
    return names;
}

void Configuration::Give(std::size_t field, std::string value, Provenance from) {
    fields_[field] = {std::move(value), from};
}

void Configuration::TakeFromForm(const WindowOps& form, const FeatureSet& filled) {
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        const FieldInfo& field = ConfigFields()[i];
        if (filled.test(RowOf(*field.feature))) {
            Give(i, ValueInForm(form, field), Provenance::Read);
        }
    }
}

void Configuration::PutIntoForm(WindowOps& form) const {
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        PutValue(form, ConfigFields()[i], fields_[i]);
    }
}

FeatureSet Configuration::WritableFeatures(FeatureSet& partlyKnown) const {
    FeatureSet known;
    FeatureSet unknown;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        (fields_[i].Known() ? known : unknown).set(RowOf(*ConfigFields()[i].feature));
    }
    partlyKnown = known & unknown;
    return known & ~unknown;
}

std::vector<std::string> Configuration::UnknownFields() const {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (!fields_[i].Known()) {
            names.emplace_back(ConfigFields()[i].name);
        }
    }
    return names;
}

bool Configuration::AnyKnown() const {
    for (const ConfigField& field : fields_) {
        if (field.Known()) {
            return true;
        }
    }
    return false;
}

std::string Hex2(int byte) {
    char text[3];
    std::snprintf(text, sizeof text, "%02X", byte & 0xFF);
    return text;
}

}  // namespace tq
