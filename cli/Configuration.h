// tq9000ctl's configuration as a value: the form's thirteen fields (the twelve features of the
// feature map, and LinesToSkip on its own right after ValidationOptions), each held in the form's
// own notation together with where it came from. A field that nobody read from the printer, loaded
// from a profile or set holds nothing anyone gave: it is shown as unknown, saved as "" (leave as it
// is) and never written. The headless form is only the medium through which the commands reach the
// printer: the fields come out of its controls right after a Read All and go into them right before
// a Write All, by the feature map's own conversions.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

#include "protocol/FeatureMap.h"

namespace tq {

class WindowOps;

enum class Provenance { Unknown, Read, Loaded, Set };

struct ConfigField {
    // As `show` prints it: a number in decimal, a flag set as two hexadecimal digits (for
    // ValidationOptions its boxes' bits only), a font by its list name or "none". Empty while
    // unknown.
    std::string value;
    Provenance provenance = Provenance::Unknown;
    bool Known() const { return provenance != Provenance::Unknown; }
};

// The printer that a Read All took the fields from, and when: what tells one printer's profile
// from another's in an inventory. Empty members are not known, or do not apply (a serial number on
// COM1:); every member is empty while no Read All has filled a field.
struct PrinterSource {
    std::string link;     // "usb" or "COM1:"
    std::string device;   // the USB printer's device path, or the device COM1: stands for
    std::string serial;   // the USB printer's serial number
    std::string setting;  // what mapped COM1: to its device: "--port", "TQ9000_COM1", or nothing
    std::string time;     // when the Read All ended, in UTC: "2025-06-01T02:00:00Z"
};

// One of the thirteen fields: its name, the feature that carries it, and whether it is the
// LinesToSkip part of that feature rather than the feature's own controls.
struct FieldInfo {
    std::string_view name;
    const FeatureBinding* feature;
    bool linesToSkip;
};
inline constexpr std::size_t kFieldCount = std::tuple_size_v<decltype(FeatureMap)> + 1;

// The thirteen fields in the order `show` lists them: feature-number order, LinesToSkip right
// after ValidationOptions.
const std::array<FieldInfo, kFieldCount>& ConfigFields();
std::optional<std::size_t> FieldIndex(std::string_view name);
std::vector<std::string> FieldNames();

class Configuration {
public:
    const ConfigField& operator[](std::size_t field) const { return fields_[field]; }
    void Give(std::size_t field, std::string value, Provenance from);

    // After a Read All: the fields of the features it filled, as their controls now show them.
    void TakeFromForm(const WindowOps& form, const FeatureSet& filled);
    // Before a Write All: every field into its controls; an unknown field's controls are emptied
    // (no text, no box checked, no selection), which the feature map writes as nothing or not at
    // all.
    void PutIntoForm(WindowOps& form) const;

    // The features that a Write All may send: those whose every field is known. `partlyKnown`
    // gets those of which one field is known and another is not (ValidationOptions and
    // LinesToSkip share one byte).
    FeatureSet WritableFeatures(FeatureSet& partlyKnown) const;
    // The names of the unknown fields, in show order.
    std::vector<std::string> UnknownFields() const;
    bool AnyKnown() const;

    // The printer of the latest Read All that filled a field.
    const PrinterSource& Source() const { return source_; }
    void SetSource(PrinterSource source) { source_ = std::move(source); }

private:
    std::array<ConfigField, kFieldCount> fields_;
    PrinterSource source_;
};

// A byte as the form shows an option group: two upper-case hexadecimal digits, "0A".
std::string Hex2(int byte);

}  // namespace tq
