// What `get N --json` prints: the feature's Value field as the form shows it (two hexadecimal
// digits for every byte feature, the text for a text feature) beside the same value in the
// notation of the form's own field for that feature, as `show` prints it and `set` takes it:
// decimal for a number field, the boxes' bits for an option group, a font's name. So a ClampDelay
// of 25, which "Get" shows as 19, reads as both.
#pragma once

#include <string>

namespace tq::cli {

// One line, e.g. {"id": 76, "name": "ClampDelay", "value": "19", "form": "25"}. "name" and "form"
// are null for a feature the form has no field for (the text features), "form" also for a Value
// that is no byte (empty before any Get). ValidationOptions adds "LinesToSkip", which its byte
// also carries.
std::string FormatGetJson(int id, const std::string& value);

}  // namespace tq::cli
