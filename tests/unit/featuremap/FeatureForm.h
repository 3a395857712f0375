// Test support: a headless form holding the controls of the feature map, with the font lists filled
// as the main form fills them and nothing selected, and a one-line picture of those controls so
// that a test can tell whether a command changed any of them.
#pragma once

#include <string>

#include "framework/HeadlessForm.h"
#include "protocol/FeatureMap.h"
#include "protocol/FontTable.h"

namespace tq::test {

inline void AddFeatureControls(HeadlessForm& form, const FeatureBinding& feature) {
    switch (feature.kind) {
        case FeatureKind::Number:
            form.AddEdit(feature.control);
            return;
        case FeatureKind::FontChoice:
            form.AddComboBox(feature.control);
            for (const FontEntry& font : FontTable) {
                form.AddString(feature.control, font.displayName);
            }
            return;
        case FeatureKind::FlagSet:
            for (const FlagBinding& flag : feature.flags) {
                form.AddCheckBox(flag.control);
            }
            if (feature.linesToSkipControl != 0) {
                form.AddEdit(feature.linesToSkipControl);
            }
            return;
    }
}

inline void AddFeatureControls(HeadlessForm& form) {
    for (const FeatureBinding& feature : FeatureMap) {
        AddFeatureControls(form, feature);
    }
}

// "name=state" for every feature: edit texts, the boxes' check states, the list selections.
inline std::string DescribeFeatureControls(const WindowOps& form) {
    std::string picture;
    for (const FeatureBinding& feature : FeatureMap) {
        picture += std::string(feature.name) + "=";
        if (feature.kind == FeatureKind::Number) {
            picture.append("'").append(form.GetDlgItemText(feature.control)).append("'");
        } else if (feature.kind == FeatureKind::FontChoice) {
            picture += std::to_string(form.GetCurSel(feature.control));
        } else {
            for (const FlagBinding& flag : feature.flags) {
                picture += std::to_string(form.GetCheck(flag.control));
            }
            if (feature.linesToSkipControl != 0) {
                picture.append("'")
                    .append(form.GetDlgItemText(feature.linesToSkipControl))
                    .append("'");
            }
        }
        picture += " ";
    }
    return picture;
}

}  // namespace tq::test
