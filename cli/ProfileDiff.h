// `diff`: how the configuration differs from a profile, field by field, as `show` prints them: the
// fields that `load` followed by "Write All" would change in the printer. What a profile leaves to
// the printer never differs: "" keeps the field as it is, and a font of "none" is no selection,
// which Write All does not send. So once a profile has been applied, a read-all and a diff against
// it find nothing, and a script can apply it only where it differs. A field that holds nothing
// anyone gave (no read-all came first) differs from whatever value the profile gives it: what the
// printer holds there is not known.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cli/FormState.h"

namespace tq {

struct FieldDifference {
    int id;
    std::string name;
    std::optional<std::string> form;  // as `show` prints it now; nothing while unknown
    std::string profile;              // as `show` would print it after `load`
};

// In the order `show` lists the fields; empty when nothing differs.
std::vector<FieldDifference> CompareWithProfile(const Configuration& configuration,
                                                const std::vector<FormSetting>& settings);

// "88 PrinterOptions printer 30 profile 55", one line per field, the values escaped for a
// terminal as `show` escapes them ("printer unknown" for an unknown field).
std::string FormatDifferenceLines(const std::vector<FieldDifference>& differences);
// One JSON object to a line, written by the JSON library, the values as FieldValueJson gives them:
// {"id":88,"name":"PrinterOptions","printer":"30","profile":"55"},
// {"id":76,"name":"ClampDelay","printer":15,"profile":20} ("printer":null while unknown)
std::string FormatDifferenceJson(const std::vector<FieldDifference>& differences);

}  // namespace tq
