#include "cli/GetJson.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace tq::cli {
namespace {

// The Value field as "Get" shows it (hex for every byte feature) beside the feature's own field as
// `show` prints it: decimal for a number, the boxes' bits for a group, a font by name.
TEST(GetJsonTest, TheValueInTheFormsOwnNotationBesideIt) {
    const std::tuple<int, const char*, const char*> cases[] = {
        {76, "19", R"({"id": 76, "name": "ClampDelay", "value": "19", "form": "25"})"},
        {88, "FF", R"({"id": 88, "name": "PrinterOptions", "value": "FF", "form": "77"})"},
        {96, "18", R"({"id": 96, "name": "JournalDefaultFont", "value": "18", "form": "OCR"})"},
        {100, "A8",
         R"({"id": 100, "name": "ValidationOptions", "value": "A8", "form": "A0", )"
         R"("LinesToSkip": "8"})"},
        {49, "hi\x1B", R"({"id": 49, "name": null, "value": "hi\u001b", "form": null})"},
        {85, "", R"({"id": 85, "name": "CustomerSpecialVersion", "value": "", "form": null})"},
    };
    for (const auto& [id, value, json] : cases) {
        EXPECT_EQ(FormatGetJson(id, value), std::string(json) + "\n") << id;
    }
}

}  // namespace
}  // namespace tq::cli
