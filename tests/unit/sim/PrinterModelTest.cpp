#include "sim/PrinterModel.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/FeatureMap.h"
#include "protocol/FontTable.h"
#include "sim/SimOptions.h"

namespace tq::sim {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Chunks = std::vector<Bytes>;

Chunks Feed(PrinterModel& model, const Bytes& bytes) {
    return model.Receive(bytes);
}

// What the form reads from a new printer it writes back unchanged: every number within its bound,
// every font one of the list's, every flag byte only bits that boxes or LinesToSkip own.
TEST(PrinterModelTest, FactoryDefaultsAreInsideTheFormsRanges) {
    PrinterModel model;
    int optionsOn = 0;
    for (const FeatureBinding& feature : FeatureMap) {
        const int value = model.Feature(feature.id);
        switch (feature.kind) {
            case FeatureKind::Number:
                EXPECT_LE(value, feature.upperBound) << feature.name;
                break;
            case FeatureKind::FontChoice:
                EXPECT_TRUE(FontIndexOfCode(value).has_value()) << feature.name;
                break;
            case FeatureKind::FlagSet: {
                const int lines = feature.linesToSkipControl != 0 ? value & kLinesToSkipBits : 0;
                EXPECT_EQ(value & ~(OwnedFlagBits(feature) | lines), 0) << feature.name;
                EXPECT_LE(lines, feature.linesToSkipBound) << feature.name;
                optionsOn |= value & OwnedFlagBits(feature);
            }
        }
    }
    EXPECT_NE(optionsOn, 0);  // some options are on
    EXPECT_EQ(model.Text(0x30), "1.0");
}

TEST(PrinterModelTest, WriteFramesUpdateTheStoreHoweverTheyAreSplit) {
    PrinterModel model;
    const Bytes frames = {0x1B, 0x28, 0x02, 0x00, 0x55, 0x07, 0x1B, 0x28, 0x02, 0x00, 0x60, 0x00};
    for (std::uint8_t byte : frames) {
        EXPECT_TRUE(Feed(model, {byte}).empty());
    }
    EXPECT_EQ(model.Feature(0x55), 0x07);
    EXPECT_EQ(model.Feature(0x60), 0x00);
    // A frame whose data bytes include ESC, ENQ and "?" stores them and answers nothing.
    EXPECT_TRUE(Feed(model, {0x1B, 0x28, 0x04, 0x00, 0x41, 0x1B, 0x05, 0x3F}).empty());
    EXPECT_EQ(model.Feature(0x41), 0x1B);
    EXPECT_EQ(model.Feature(0x42), 0x05);
    EXPECT_EQ(model.Feature(0x43), 0x3F);
    EXPECT_TRUE(model.PrintLog().empty());
}

TEST(PrinterModelTest, QueriesAnswerByIdRange) {
    PrinterModel model;
    model.SetFeature(0x58, 0x05);
    EXPECT_EQ(Feed(model, {0x1B, 0x3F, 0x58}), Chunks{{0x05}});
    const Chunks text = Feed(model, {0x1B, 0x3F, 0x30});
    ASSERT_EQ(text.size(), 1u);
    ASSERT_EQ(text[0].size(), 7u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(text[0][i], kEtx);
    }
    EXPECT_EQ(Bytes(text[0].begin() + 3, text[0].end()), (Bytes{'1', '.', '0', kEtx}));
    for (std::uint8_t id : {0x40, 0x2F, 0x70, 0x00}) {
        EXPECT_TRUE(Feed(model, {0x1B, 0x3F, id}).empty()) << int(id);
    }
}

TEST(PrinterModelTest, SeveralRequestsInOneWriteAnswerInOrder) {
    PrinterModel model;
    model.SetFeature(0x41, 0x11);
    model.faults.statusByte = 0x22;
    EXPECT_EQ(Feed(model, {0x1B, 0x3F, 0x41, 0x05, 0x1B, 0x3F}), (Chunks{{0x11}, {0x22}}));
    EXPECT_EQ(Feed(model, {0x41}), Chunks{{0x11}});
}

TEST(PrinterModelTest, WhatIsNotACommandIsPrinted) {
    PrinterModel model;
    const Bytes testText = {'t', 'e', 's', 't', 'i', 'n', 'g', '\n', '\n'};
    EXPECT_TRUE(Feed(model, testText).empty());
    EXPECT_EQ(Feed(model, {kEnq}), Chunks{{0x00}});
    Feed(model, {0x1B, 'E', 'x'});
    Bytes printed = testText;
    printed.insert(printed.end(), {0x1B, 'E', 'x'});
    EXPECT_EQ(model.PrintLog(), printed);
}

TEST(PrinterModelTest, FaultKnobs) {
    PrinterModel model;
    model.faults.chunkSize = 2;
    EXPECT_EQ(Feed(model, {0x1B, 0x3F, 0x30}),
              (Chunks{{0x02, 'T'}, {0x30, '1'}, {'.', '0'}, {kEtx}}));
    model.faults.chunkSize = 0;
    model.faults.garbage = {0xEE};
    model.faults.extraBytes = {0xAA, kEtx};
    model.faults.statusByte = 0x5A;
    EXPECT_EQ(Feed(model, {kEnq}), (Chunks{{0xEE, 0x5A, 0xAA, kEtx}}));
    model.faults = Faults{};
    model.faults.oversizedText = true;
    const Chunks text = Feed(model, {0x1B, 0x3F, 0x3A});
    ASSERT_EQ(text.size(), 1u);
    EXPECT_EQ(text[0].size(), 3 + kOversizedTextLength + 1);
    model.faults.silent = true;
    EXPECT_TRUE(Feed(model, {0x1B, 0x3F, 0x58, kEnq, 0x1B, 0x28, 0x02, 0x00, 0x58, 0x09}).empty());
    EXPECT_EQ(model.Feature(0x58), 0x09);  // a silent printer still hears
}

TEST(SimOptionsTest, KnobsAndStartingValues) {
    std::string error;
    const auto options =
        ParseSimOptions({"--silent",   "--delay-ms",    "20",      "--chunk",
                         "3",          "--status",      "0xA5",    "--set",
                         "88=0x05",    "--set",         "0x4C=40", "--text",
                         "0x31=hello", "--extra-bytes", "aa03",    "--hang-up-after",
                         "0",          "--state-file",  "s",       "--",
                         "tq9000ctl",  "get",           "88"},
                        error);
    ASSERT_TRUE(options) << error;
    PrinterModel model;
    ApplySimOptions(*options, model);
    EXPECT_TRUE(model.faults.silent);
    EXPECT_EQ(model.faults.delayMs, 20u);
    EXPECT_EQ(model.faults.chunkSize, 3u);
    EXPECT_EQ(model.faults.statusByte, 0xA5);
    EXPECT_EQ(model.faults.extraBytes, (Bytes{0xAA, 0x03}));
    EXPECT_EQ(model.faults.hangUpAfterBytes, std::optional<std::size_t>(0));
    EXPECT_EQ(model.Feature(88), 0x05);
    EXPECT_EQ(model.Feature(76), 40);
    EXPECT_EQ(model.Text(0x31), "hello");
    EXPECT_EQ(options->stateFile, "s");
    EXPECT_EQ(options->command, (std::vector<std::string>{"tq9000ctl", "get", "88"}));
}

TEST(SimOptionsTest, UsageErrors) {
    const std::vector<std::vector<std::string>> bad = {
        {"--bogus"},          {"--delay-ms"},     {"--delay-ms", "x"},       {"--status", "256"},
        {"--set", "88"},      {"--set", "300=1"}, {"--set", "88=0x100"},     {"--extra-bytes", "a"},
        {"--text", "0x40=x"}, {"--chunk", "0"},   {"--hang-up-after", "-1"}, {"--"},
    };
    for (const auto& args : bad) {
        std::string error;
        EXPECT_FALSE(ParseSimOptions(args, error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
}

}  // namespace
}  // namespace tq::sim
