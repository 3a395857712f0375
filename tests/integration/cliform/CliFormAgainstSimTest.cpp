// tq9000ctl's Read All, Write All, show, set, profiles and diff end to end: the real POSIX
// platform with COM1: mapped to tq9000-sim's pseudo-terminal, the printer's store checked through
// its state file.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "commands/FormStartup.h"
#include "tests/integration/cli/RunProcess.h"
#include "tests/integration/cli/SuiteSupport.h"

namespace tq::test {
namespace {

using Args = std::vector<std::string>;

// The printer used throughout: every form feature set, with bits that no box owns in some.
const Args kPrinter = {"--set", "76=12",    "--set", "85=200",   "--set", "86=3",
                       "--set", "87=4",     "--set", "88=0xDD",  "--set", "96=0x1F",
                       "--set", "97=0x1B",  "--set", "98=0x81",  "--set", "99=0x0A",
                       "--set", "100=0xB8", "--set", "101=0x0A", "--set", "102=0x11"};

const char* const kPrinterShown =
    "76 ClampDelay 12\n"
    "85 CustomerSpecialVersion 200\n"
    "86 SetupVersion 3\n"
    "87 SetupRevision 4\n"
    "88 PrinterOptions 55\n"
    "96 JournalDefaultFont Standard Bold\n"
    "97 ValidationDefaultFont none\n"
    "98 FontOptions 81\n"
    "99 EmulationOptions 0A\n"
    "100 ValidationOptions A0\n"
    "100 LinesToSkip 8\n"
    "101 TestModeOptions 02\n"
    "102 MiscellaneousOptions 11\n";

// kPrinter's store, which no run that writes nothing may change.
const std::map<int, int> kPrinterStore = {
    {76, 12},   {85, 200},  {86, 3},    {87, 4},     {88, 0xDD},  {96, 0x1F},
    {97, 0x1B}, {98, 0x81}, {99, 0x0A}, {100, 0xB8}, {101, 0x0A}, {102, 0x11},
};

class CliFormTest : public ::testing::Test {
protected:
    void TearDown() override {
        for (const std::string& path : paths_) {
            std::remove(path.c_str());
        }
    }

    std::string TempPath(const std::string& name) {
        paths_.push_back(::testing::TempDir() + "tq9000ctl_form_" + name + "_" +
                         std::to_string(getpid()));
        return paths_.back();
    }

    // tq9000-sim [simArgs] --state-file STATE -- tq9000ctl [ctlArgs]; the store lands in `store`.
    ProcessResult Run(Args simArgs, const Args& ctlArgs) {
        const std::string state = TempPath("state");
        simArgs.insert(simArgs.end(), {"--state-file", state, "--", TQ9000_CTL});
        simArgs.insert(simArgs.begin(), TQ9000_SIM);
        simArgs.insert(simArgs.end(), ctlArgs.begin(), ctlArgs.end());
        ProcessResult result = RunProcess(simArgs);
        store = ReadStore(state);
        return result;
    }

    static std::map<int, int> ReadStore(const std::string& path) {
        std::map<int, int> features;
        std::ifstream in(path);
        for (int id = 0, value = 0; in >> id >> value;) {
            features[id] = value;
        }
        return features;
    }

    static std::string ReadText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    static void WriteText(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }

    // The store holds kPrinter's features, but for those in `written`.
    void ExpectPrinterUntouched(const std::map<int, int>& written = {}) const {
        for (const auto& [id, value] : kPrinterStore) {
            EXPECT_EQ(store.at(id), written.count(id) ? written.at(id) : value) << "feature " << id;
        }
    }

    // kPrinter's profile as `save` writes it.
    std::string SavePrinterProfile() {
        const std::string path = TempPath("printer.json");
        EXPECT_EQ(Run(kPrinter, {"read-all", "save", path}).status, 0);
        return ReadText(path);
    }

    // A profile file of `text` with some of it replaced.
    std::string WriteProfile(const std::string& name, std::string text,
                             const std::vector<std::pair<std::string, std::string>>& changes) {
        for (const auto& [from, to] : changes) {
            text.replace(text.find(from), from.size(), to);
        }
        const std::string path = TempPath(name);
        WriteText(path, text);
        return path;
    }

    std::map<int, int> store;

private:
    std::vector<std::string> paths_;
};

TEST_F(CliFormTest, ReadAllShowPrintsTheFormFilledFromThePrinter) {
    const ProcessResult r = Run(kPrinter, {"read-all", "show"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, kNotice);
    EXPECT_EQ(r.out, kPrinterShown);
    EXPECT_EQ(store.at(88), 0xDD);  // reading changes nothing in the printer
}

TEST_F(CliFormTest, SetThenWriteAllStoresTheFormInThePrinter) {
    const ProcessResult r =
        Run(kPrinter, {"read-all", "set", "ClampDelay=40", "set", "PrinterOptions=77", "set",
                       "ValidationDefaultFont=Large Italic", "set", "LinesToSkip=8", "set",
                       "1037=1", "write-all"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, kNotice);
    const std::map<int, int> expected = {
        {76, 40},   {85, 200},  {86, 3},    {87, 4},     {88, 0x77},  {96, 0x1F},
        {97, 0x14}, {98, 0x81}, {99, 0x0A}, {100, 0xA8}, {101, 0x06}, {102, 0x11},
    };
    for (const auto& [id, value] : expected) {
        EXPECT_EQ(store.at(id), value) << "feature " << id;
    }
}

TEST_F(CliFormTest, ASavedProfileRestoresAnotherPrinter) {
    const std::string profile = TempPath("profile.json");
    ProcessResult r = Run(kPrinter, {"read-all", "save", profile, "show", "--json"});
    ASSERT_EQ(r.status, 0) << r.err;
    // The profile is show --json's text: numbers as numbers, and the printer the fields were read
    // from, ending in the time of the read, the one line that two saves of this printer differ in.
    EXPECT_EQ(ReadText(profile), r.out);
    const std::regex inventory(
        "\n  \"inventory\": \\{\n    \"link\": \"COM1:\",\n    \"device\": \"/dev/[^\"]+\",\n"
        "    \"serial\": \"\",\n    \"setting\": \"TQ9000_COM1\",\n"
        "    \"time\": \"[0-9]{4}-[0-9]{2}-[0-9]{2}T[0-9]{2}:[0-9]{2}:[0-9]{2}Z\"\n  \\}\n\\}\n$");
    EXPECT_TRUE(std::regex_search(r.out, inventory)) << r.out;
    for (const char* text : {"\n  \"ClampDelay\": 12,\n", "\n  \"PrinterOptions\": \"55\",\n",
                             "\n  \"LinesToSkip\": 8,\n"}) {
        EXPECT_NE(r.out.find(text), std::string::npos) << text << r.out;
    }

    // A printer holding other values everywhere gets the profile's: what the form owns.
    r = Run({"--set", "76=1", "--set", "88=0", "--set", "96=0", "--set", "97=0x18"},
            {"load", profile, "write-all", "read-all", "show"});
    EXPECT_EQ(r.status, 0) << r.err;
    std::string shown = kPrinterShown;
    shown.replace(shown.find("none"), 4, "OCR");  // the profile leaves feature 97 unwritten
    EXPECT_EQ(r.out, shown);
    EXPECT_EQ(store.at(88), 0x55);
    EXPECT_EQ(store.at(100), 0xA8);
    EXPECT_EQ(store.at(97), 0x18);
}

// A bad profile changes no control and ends the run, so the write-all after it sends nothing.
TEST_F(CliFormTest, AMalformedProfileEndsTheRunBeforeAnythingIsWritten) {
    const std::string profile = TempPath("bad.json");
    WriteText(profile, "{\n  \"ClampDelay\": \"41\"\n}\n");
    ProcessResult r = Run(kPrinter, {"load", profile, "write-all", "show"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, kNotice + "tq9000ctl: " + profile +
                         ": line 2: ClampDelay takes a whole number from 0 to 40 (or \"\" to "
                         "leave ClampDelay as it is), not \"41\"\n"
                         "tq9000ctl: not run after the failure: write-all, show\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(store.at(88), 0xDD);
    EXPECT_EQ(store.at(100), 0xB8);

    WriteText(profile, "{ \"ClampDelay\": \"4\",");
    r = Run(kPrinter, {"load", profile, "write-all"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(profile +
                         ": line 1, column 21: syntax error while parsing object key - unexpected "
                         "end of input; expected string literal after member \"ClampDelay\""),
              std::string::npos)
        << r.err;
    EXPECT_EQ(store.at(88), 0xDD);
}

TEST_F(CliFormTest, ABadSetIsAUsageErrorThatTouchesNoPrinter) {
    const std::pair<const char*, const char*> refused[] = {
        {"Foo=1", "Foo: is not a field of the form"},
        {"PrinterOptions=FF", "PrinterOptions takes hex bits within 0x77"},
    };
    for (const auto& [argument, why] : refused) {
        const ProcessResult r =
            Run(kPrinter, {"set", "ClampDelay=1", "write-all", "set", argument});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err.rfind("tq9000ctl: " + std::string(why), 0), 0u) << r.err;
        EXPECT_EQ(store.at(76), 12);
    }
}

// The form after a failed Read All holds nothing of the printer's: a write-all would store empty
// option groups in it. The run ends at the failure and says what it left.
TEST_F(CliFormTest, ASilentPrinterEndsTheRunAtReadAllBeforeAnythingIsWritten) {
    Args simArgs = kPrinter;
    simArgs.push_back("--silent");
    const ProcessResult r = Run(simArgs, {"read-all", "set", "ClampDelay=20", "write-all", "show"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, kNotice +
                         "tq9000_config_app: read timed out -9\n"
                         "tq9000_config_app: read error\n"
                         "Caption: fatal write error\n"
                         "tq9000ctl: not run after the failure: set ClampDelay=20, write-all, "
                         "show\n");
    EXPECT_EQ(r.out, "");
    for (const auto& [id, value] : kPrinterStore) {
        EXPECT_EQ(store.at(id), value) << "feature " << id;
    }
}

// A get that failed still prints its one line (the Value field as it stood), then the run ends.
TEST_F(CliFormTest, AFailedGetPrintsItsLineThenEndsTheRun) {
    const ProcessResult r = Run(kPrinter, {"get", "112", "set", "PrinterOptions=00", "write-all"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "\n");
    EXPECT_EQ(r.err, kNotice +
                         "tq9000_config_app: Enter a value between 30H and 6FH\n"
                         "tq9000ctl: not run after the failure: set PrinterOptions=00, "
                         "write-all\n");
    EXPECT_EQ(store.at(88), 0xDD);
}

// A profile's "" leaves the form's field as it stands: after a read-all that is the printer's own
// value, written back unchanged. Without one, a number field is empty and not written, but
// LinesToSkip rides in ValidationOptions, which is always written: empty gives 0.
TEST_F(CliFormTest, AnEmptyFieldOfAProfileLeavesTheFormsOwn) {
    const std::string profile = TempPath("keep.json");
    ASSERT_EQ(Run(kPrinter, {"read-all", "save", profile}).status, 0);
    std::string text = ReadText(profile);
    text.replace(text.find("\"ClampDelay\": 12"), 16, "\"ClampDelay\": \"\"");
    text.replace(text.find("\"LinesToSkip\": 8"), 16, "\"LinesToSkip\": \"\"");
    WriteText(profile, text);
    const Args printer = {"--set", "76=33", "--set", "100=0xB3"};

    ProcessResult r = Run(printer, {"read-all", "load", profile, "write-all"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(store.at(76), 33);
    EXPECT_EQ(store.at(100), 0xA3);  // the profile's boxes, the printer's LinesToSkip

    // Without a read-all, LinesToSkip was never given, and it shares its byte with the profile's
    // ValidationOptions: nothing is written at all, rather than a LinesToSkip of 0 nobody meant.
    r = Run(printer, {"load", profile, "write-all"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("tq9000ctl: write-all: LinesToSkip and ValidationOptions go to the "
                         "printer in one byte"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(store.at(76), 33);
    EXPECT_EQ(store.at(100), 0xB3);
}

// Without a read-all the form holds only what the run gave it: `set` writes that one feature and
// nothing else, `show` and `diff` say which fields are unknown, `save` keeps them "" (so its
// "backup" restores nothing it never had), and a box of a group nobody gave is refused.
TEST_F(CliFormTest, WithoutReadAllOnlyWhatTheRunGaveIsWrittenShownOrSaved) {
    ProcessResult r = Run(kPrinter, {"set", "ClampDelay=20", "write-all"});
    EXPECT_EQ(r.status, 0) << r.err;
    ExpectPrinterUntouched({{76, 20}});

    const std::string backup = TempPath("backup.json");
    r = Run(kPrinter, {"set", "PrinterOptions=0", "save", backup, "show"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err,
              kNotice + "tq9000ctl: warning: save " + backup +
                  ": ClampDelay, CustomerSpecialVersion, SetupVersion, SetupRevision, "
                  "JournalDefaultFont, ValidationDefaultFont, FontOptions, EmulationOptions, "
                  "ValidationOptions, LinesToSkip, TestModeOptions, MiscellaneousOptions: "
                  "never read, loaded or set: saved as \"\" (leave as it is)\n");
    const std::string saved = ReadText(backup);
    EXPECT_NE(saved.find("\"PrinterOptions\": \"00\""), std::string::npos) << saved;
    EXPECT_NE(saved.find("\"ClampDelay\": \"\""), std::string::npos) << saved;
    EXPECT_EQ(r.out.rfind("76 ClampDelay unknown\n85 CustomerSpecialVersion unknown\n", 0), 0u);
    EXPECT_NE(r.out.find("88 PrinterOptions 00\n"), std::string::npos) << r.out;
    r = Run(kPrinter, {"load", backup, "diff", backup, "write-all"});
    EXPECT_EQ(r.status, 0) << r.err;
    ExpectPrinterUntouched({{88, 0}});

    r = Run(kPrinter, {"set", "1054=1", "write-all"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("tq9000ctl: PrinterOptions was never read, loaded or set"),
              std::string::npos)
        << r.err;
    ExpectPrinterUntouched();
    r = Run(kPrinter, {"write-all"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.substr(0, 72),
              "tq9000ctl: 'write-all' has nothing to write: no read-all, load or set co");
}

// diff prints what differs and ends with status 3 (and the actions after it with it), or prints
// nothing and goes on with status 0; either way it sends nothing to the printer.
TEST_F(CliFormTest, DiffSaysWhatDiffersFromAProfileAndWritesNothing) {
    const std::string saved = SavePrinterProfile();
    const std::string same = WriteProfile("same.json", saved, {});
    const std::string other =
        WriteProfile("other.json", saved,
                     {{"\"PrinterOptions\": \"55\"", "\"PrinterOptions\": \"30\""},
                      {"\"LinesToSkip\": 8", "\"LinesToSkip\": 5"}});
    const std::string lines =
        "88 PrinterOptions printer 55 profile 30\n100 LinesToSkip printer 8 profile 5\n";
    struct Case {
        Args ctlArgs;
        int status;
        std::string out;
        std::string err;  // after the notice
    };
    const Case cases[] = {
        {{"read-all", "diff", same, "get", "88"}, 0, "DD\n", ""},
        {{"read-all", "diff", other}, 3, lines, ""},
        {{"read-all", "diff", other, "--json"},
         3,
         "{\"id\":88,\"name\":\"PrinterOptions\",\"printer\":\"55\",\"profile\":\"30\"}\n"
         "{\"id\":100,\"name\":\"LinesToSkip\",\"printer\":8,\"profile\":5}\n",
         ""},
        {{"read-all", "diff", other, "load", other, "write-all"},
         3,
         lines,
         "tq9000ctl: not run after the difference: load " + other + ", write-all\n"},
    };
    for (const Case& c : cases) {
        const ProcessResult r = Run(kPrinter, c.ctlArgs);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, kNotice + c.err);
        ExpectPrinterUntouched();
    }
}

// A profile diff cannot read is refused with load's very words and status, before anything is
// sent.
TEST_F(CliFormTest, AMalformedProfileGivesDiffTheErrorsOfLoad) {
    const std::string bad = TempPath("bad.json");
    for (const char* text : {"{\n  \"ClampDelay\": \"41\"\n}\n", "{ \"ClampDelay\": \"4\",", ""}) {
        WriteText(bad, text);
        const ProcessResult diff = Run(kPrinter, {"diff", bad, "show"});
        ExpectPrinterUntouched();
        const ProcessResult load = Run(kPrinter, {"load", bad, "show"});
        EXPECT_EQ(diff.status, 1);
        EXPECT_EQ(load.status, 1);
        EXPECT_EQ(diff.out, "");
        EXPECT_EQ(diff.err, load.err) << text;
        EXPECT_NE(diff.err.find("tq9000ctl: " + bad + ": line "), std::string::npos) << diff.err;
    }
}

// Applied once, a profile leaves nothing to apply: its "" fields and its font of "none" leave the
// printer's own values, which therefore never differ.
TEST_F(CliFormTest, AfterLoadAndWriteAllDiffFindsNothing) {
    const std::string profile = WriteProfile("keep.json", SavePrinterProfile(),
                                             {{"\"ClampDelay\": 12", "\"ClampDelay\": \"\""}});
    const Args printer = {"--set", "76=33", "--set", "88=0", "--set", "97=0x18"};
    ProcessResult r = Run(printer, {"read-all", "diff", profile});
    EXPECT_EQ(r.status, 3) << r.err;
    EXPECT_EQ(r.out.find("76 ClampDelay"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("97 ValidationDefaultFont"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("88 PrinterOptions printer 00 profile 55\n"), std::string::npos) << r.out;

    r = Run(printer, {"read-all", "load", profile, "write-all", "read-all", "diff", profile});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(store.at(76), 33);
    EXPECT_EQ(store.at(97), 0x18);
    EXPECT_EQ(store.at(88), 0x55);
}

TEST_F(CliFormTest, VersionAndHelpPrintAndTouchNoPrinter) {
    ProcessResult r = Run(kPrinter, {"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, std::string("tq9000ctl ") + kVersionText + "\n");
    EXPECT_EQ(r.err, "");
    r = Run(kPrinter, {"--help"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.rfind("usage: tq9000ctl ", 0), 0u) << r.out;
    EXPECT_EQ(r.err, "");
}

}  // namespace
}  // namespace tq::test
