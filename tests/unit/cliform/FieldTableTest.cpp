#include "cli/FieldTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Configuration.h"
#include "protocol/FontTable.h"

namespace tq {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

int PlaceIn(const FeatureOrder& order, const FeatureBinding& feature) {
    return static_cast<int>(std::find(order.begin(), order.end(), &feature) - order.begin()) + 1;
}

std::string Ids(const FeatureOrder& order) {
    std::string ids;
    for (const FeatureBinding* feature : order) {
        ids += " " + std::to_string(feature->id);
    }
    return ids;
}

// A list of objects as a list of [first, second] pairs.
nlohmann::json Pairs(const nlohmann::json& list, const char* first, const char* second) {
    nlohmann::json pairs = nlohmann::json::array();
    for (const nlohmann::json& item : list) {
        pairs.push_back({item[first], item[second]});
    }
    return pairs;
}

// What a field carries besides its id and name, as the feature table has it: its kind, its bits of
// the feature's byte, and its bound, its boxes (id, mask) or its fonts (name, code).
nlohmann::json Expected(const FieldInfo& field) {
    const FeatureBinding& feature = *field.feature;
    if (field.linesToSkip) {
        return {{"kind", "number"}, {"bits", kLinesToSkipBits}, {"bound", kLinesToSkipBound}};
    }
    nlohmann::json boxes = nlohmann::json::array();
    nlohmann::json fonts = nlohmann::json::array();
    for (const FlagBinding& box : feature.flags) {
        boxes.push_back({box.control, box.mask});
    }
    for (const FontEntry& font : FontTable) {
        fonts.push_back({font.displayName, font.fontCode});
    }
    switch (feature.kind) {
        case FeatureKind::Number:
            return {{"kind", "number"}, {"bits", 0xFF}, {"bound", feature.upperBound}};
        case FeatureKind::FlagSet:
            return {{"kind", "flags"}, {"bits", OwnedFlagBits(feature)}, {"boxes", boxes}};
        case FeatureKind::FontChoice:
            return {{"kind", "font"}, {"bits", 0xFF}, {"fonts", fonts}};
    }
    return {};
}

// One JSON object and one line a field, in show order, each giving its row of the feature table and
// its feature's places in the two bulk walks (from 1); the lines end with the walks' orders of ids.
TEST(FieldTableTest, EachFieldIsPrintedAsTheFeatureTableHasIt) {
    const std::vector<std::string> json = Lines(cli::FormatFieldJson());
    std::vector<std::string> lines = Lines(cli::FormatFieldLines());
    std::erase_if(lines, [](const std::string& line) { return line.starts_with("  "); });
    ASSERT_EQ(json.size(), ConfigFields().size());
    ASSERT_EQ(lines.size(), ConfigFields().size() + 2);
    for (std::size_t row = 0; row < ConfigFields().size(); ++row) {
        const FieldInfo& field = ConfigFields()[row];
        SCOPED_TRACE(field.name);
        nlohmann::json got = nlohmann::json::parse(json[row]);
        EXPECT_EQ(got["id"], field.feature->id);
        EXPECT_EQ(got["name"], field.name);
        EXPECT_EQ(got["read"], PlaceIn(ReadAllOrder, *field.feature));
        EXPECT_EQ(got["write"], PlaceIn(WriteAllOrder, *field.feature));
        if (got.contains("boxes")) {
            got["boxes"] = Pairs(got["boxes"], "id", "mask");
        }
        if (got.contains("fonts")) {
            got["fonts"] = Pairs(got["fonts"], "name", "code");
        }
        const nlohmann::json expected = Expected(field);
        for (const auto& [key, value] : expected.items()) {
            EXPECT_EQ(got[key], value) << key;
        }
        const std::string kind = expected["kind"];
        EXPECT_TRUE(lines[row].starts_with(std::to_string(field.feature->id) + " " +
                                           std::string(field.name) + " " + kind + " "))
            << lines[row];
    }
    EXPECT_EQ(lines.end()[-2], "read-all reads" + Ids(ReadAllOrder));
    EXPECT_EQ(lines.end()[-1], "write-all writes" + Ids(WriteAllOrder));
}

}  // namespace
}  // namespace tq
