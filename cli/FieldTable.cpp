#include "cli/FieldTable.h"

#include <cstdint>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "cli/Configuration.h"
#include "protocol/FontTable.h"
#include "res/DialogTemplates.h"

namespace tq::cli {

namespace {

using Json = nlohmann::ordered_json;

const char* KindName(const FieldInfo& field) {
    if (field.linesToSkip) {
        return "number";
    }
    switch (field.feature->kind) {
        case FeatureKind::Number:
            return "number";
        case FeatureKind::FlagSet:
            return "flags";
        case FeatureKind::FontChoice:
            return "font";
    }
    return "";
}

// The bits of the feature's byte that the field gives: all of them for a number or a font, the
// boxes' for a flag set, bits 0..3 for LinesToSkip.
std::uint8_t BitsOf(const FieldInfo& field) {
    if (field.linesToSkip) {
        return kLinesToSkipBits;
    }
    return field.feature->kind == FeatureKind::FlagSet ? OwnedFlagBits(*field.feature) : 0xFF;
}

int BoundOf(const FieldInfo& field) {
    return field.linesToSkip ? field.feature->linesToSkipBound : field.feature->upperBound;
}

bool HasBoxes(const FieldInfo& field) {
    return !field.linesToSkip && field.feature->kind == FeatureKind::FlagSet;
}

bool HasFonts(const FieldInfo& field) {
    return field.feature->kind == FeatureKind::FontChoice;
}

// The check box's text on the form.
const char* LabelOf(const FlagBinding& box) {
    const DialogItem* item = FindDialogItem(ConfigFormTemplate(), box.control);
    return item != nullptr ? item->text : "";
}

// "0-40", "bits 77", "10 fonts", "0-8 in bits 0F of ValidationOptions"
std::string WhatItTakes(const FieldInfo& field) {
    if (field.linesToSkip) {
        return "0-" + std::to_string(BoundOf(field)) + " in bits " + Hex2(BitsOf(field)) + " of " +
               field.feature->name;
    }
    if (HasBoxes(field)) {
        return "bits " + Hex2(BitsOf(field));
    }
    if (HasFonts(field)) {
        return std::to_string(FontTable.size()) + " fonts";
    }
    return "0-" + std::to_string(BoundOf(field));
}

std::string DetailLines(const FieldInfo& field) {
    std::string lines;
    if (HasBoxes(field)) {
        for (const FlagBinding& box : field.feature->flags) {
            lines += "  " + std::to_string(box.control) + " " + Hex2(box.mask) + " " +
                     LabelOf(box) + "\n";
        }
    } else if (HasFonts(field)) {
        for (const FontEntry& font : FontTable) {
            lines += "  " + Hex2(font.fontCode) + " " + font.displayName + "\n";
        }
    }
    return lines;
}

std::string OrderLine(const char* what, const FeatureOrder& order) {
    std::string line = what;
    for (const FeatureBinding* feature : order) {
        line += ' ';
        line += std::to_string(feature->id);
    }
    return line + "\n";
}

Json FieldObject(const FieldInfo& field) {
    const FeatureBinding& feature = *field.feature;
    Json object = {{"id", feature.id},
                   {"name", field.name},
                   {"kind", KindName(field)},
                   {"feature", feature.name},
                   {"bits", BitsOf(field)}};
    if (HasBoxes(field)) {
        Json boxes = Json::array();
        for (const FlagBinding& box : feature.flags) {
            boxes.push_back({{"id", box.control}, {"mask", box.mask}, {"label", LabelOf(box)}});
        }
        object["boxes"] = boxes;
    } else if (HasFonts(field)) {
        Json fonts = Json::array();
        for (const FontEntry& font : FontTable) {
            fonts.push_back({{"name", font.displayName}, {"code", font.fontCode}});
        }
        object["fonts"] = fonts;
    } else {
        object["bound"] = BoundOf(field);
    }
    object["read"] = feature.places.read + 1;
    object["write"] = feature.places.write + 1;
    return object;
}

}  // namespace

std::string FormatFieldLines() {
    std::string out;
    for (const FieldInfo& field : ConfigFields()) {
        out += std::to_string(field.feature->id) + " " + std::string(field.name) + " " +
               KindName(field) + " " + WhatItTakes(field) + "\n" + DetailLines(field);
    }
    return out + OrderLine("read-all reads", ReadAllOrder) +
           OrderLine("write-all writes", WriteAllOrder);
}

std::string FormatFieldJson() {
    std::string out;
    for (const FieldInfo& field : ConfigFields()) {
        out += FieldObject(field).dump() + "\n";
    }
    return out;
}

}  // namespace tq::cli
