#include "cli/FieldTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>

#include "cli/Configuration.h"
#include "protocol/FontTable.h"

namespace tq {
namespace {

int Place(const FeatureOrder& order, const FeatureBinding& feature) {
    return static_cast<int>(std::find(order.begin(), order.end(), &feature) - order.begin()) + 1;
}

std::string Ids(const FeatureOrder& order) {
    std::string ids;
    for (const FeatureBinding* feature : order) {
        ids += ' ';
        ids += std::to_string(feature->id);
    }
    return ids;
}

// The next line of `lines` that is not a check box's or a font's (indented) line.
std::string NextFieldLine(std::istringstream& lines) {
    std::string line;
    while (std::getline(lines, line) && line.starts_with("  ")) {
    }
    return line;
}

// One JSON object and one line a field, in show order, each as its row of the feature table has it,
// with its feature's places in the two bulk walks (from 1); the lines end with the walks' orders.
TEST(FieldTableTest, EachFieldIsPrintedAsTheFeatureTableHasIt) {
    std::istringstream json(cli::FormatFieldJson());
    std::istringstream lines(cli::FormatFieldLines());
    std::string line;
    for (const FieldInfo& field : ConfigFields()) {
        const FeatureBinding& feature = *field.feature;
        const bool flags = !field.linesToSkip && feature.kind == FeatureKind::FlagSet;
        const bool font = feature.kind == FeatureKind::FontChoice;
        const std::string kind = flags ? "flags" : font ? "font" : "number";
        SCOPED_TRACE(field.name);
        ASSERT_TRUE(std::getline(json, line));
        const nlohmann::json got = nlohmann::json::parse(line);
        EXPECT_EQ(got["id"], feature.id);
        EXPECT_EQ(got["name"], field.name);
        EXPECT_EQ(got["kind"], kind);
        EXPECT_EQ(got["bits"], field.linesToSkip ? kLinesToSkipBits
                               : flags           ? OwnedFlagBits(feature)
                                                 : 0xFF);
        EXPECT_EQ(got.value("bound", -1), field.linesToSkip ? kLinesToSkipBound
                                          : flags || font   ? -1
                                                            : feature.upperBound);
        const nlohmann::json boxes = got.value("boxes", nlohmann::json::array());
        ASSERT_EQ(boxes.size(), flags ? feature.flags.size() : 0u);
        for (std::size_t box = 0; box < boxes.size(); ++box) {
            EXPECT_EQ(boxes[box]["id"], feature.flags[box].control);
            EXPECT_EQ(boxes[box]["mask"], feature.flags[box].mask);
        }
        const nlohmann::json fonts = got.value("fonts", nlohmann::json::array());
        ASSERT_EQ(fonts.size(), font ? FontTable.size() : 0u);
        for (std::size_t entry = 0; entry < fonts.size(); ++entry) {
            EXPECT_EQ(fonts[entry]["name"], FontTable[entry].displayName);
            EXPECT_EQ(fonts[entry]["code"], FontTable[entry].fontCode);
        }
        EXPECT_EQ(got["read"], Place(ReadAllOrder, feature));
        EXPECT_EQ(got["write"], Place(WriteAllOrder, feature));
        EXPECT_TRUE(NextFieldLine(lines).starts_with(std::to_string(feature.id) + " " +
                                                     std::string(field.name) + " " + kind + " "))
            << field.name;
    }
    EXPECT_FALSE(std::getline(json, line));
    EXPECT_EQ(NextFieldLine(lines), "read-all reads" + Ids(ReadAllOrder));
    EXPECT_EQ(NextFieldLine(lines), "write-all writes" + Ids(WriteAllOrder));
}

}  // namespace
}  // namespace tq
