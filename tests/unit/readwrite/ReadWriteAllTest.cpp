#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "commands/Commands.h"
#include "framework/ControlIds.h"
#include "framework/HeadlessForm.h"
#include "framework/MessageBoxes.h"
#include "link/PrinterLink.h"
#include "sim/PrinterModel.h"
#include "tests/fake/FakeHost.h"
#include "tests/fake/FakePlatform.h"
#include "tests/unit/featuremap/FeatureForm.h"

namespace tq {
namespace {

using Bytes = std::vector<BYTE>;
using Kind = MessageBoxEvent::Kind;

const std::vector<std::uint8_t> kReadOrder = {76, 85, 86, 87, 88, 96, 97, 98, 99, 100, 101, 102};
const std::vector<std::uint8_t> kWriteOrder = {76, 85, 86, 88, 96, 97, 98, 99, 100, 101, 102, 87};

Bytes Query(std::uint8_t id) {
    return {0x1B, 0x3F, id};
}
Bytes Write(std::uint8_t id, std::uint8_t value) {
    return {0x1B, 0x28, 0x02, 0x00, id, value};
}

// The printer on COM1: (no USB printer present), the form of the main window, every box recorded.
class ReadWriteAllTest : public ::testing::Test {
protected:
    ReadWriteAllTest() : com(platform.AddDevice("COM1:", true)) {
        sim::AttachToFakeDevice(printer, com);
        test::AddFeatureControls(form);
        form.AddProgressBar(IDC_PROGRESS);
    }

    // The printer stops answering once it has heard this many requests.
    void FallSilentAfter(std::size_t requests) {
        auto forward = com.onWrite;
        com.onWrite = [this, requests, forward](const Bytes& bytes) {
            printer.faults.silent = com.writes.size() > requests;
            forward(bytes);
        };
    }

    void LoadPrinter() {
        const std::pair<std::uint8_t, std::uint8_t> values[] = {
            {76, 12},   {85, 200},  {86, 3},    {87, 4},     {88, 0x55},  {96, 0x1E},
            {97, 0x14}, {98, 0x81}, {99, 0x0A}, {100, 0xA6}, {101, 0x02}, {102, 0x11},
        };
        for (const auto& [id, value] : values) {
            printer.SetFeature(id, value);
        }
    }

    std::vector<Bytes> QueriesOf(const std::vector<std::uint8_t>& ids) const {
        std::vector<Bytes> frames;
        for (const std::uint8_t id : ids) {
            frames.push_back(Query(id));
        }
        return frames;
    }

    HeadlessForm::Progress Bar() const { return form.ProgressOf(IDC_PROGRESS); }
    const MessageBoxEvent& LastBox() const { return sink.boxes.back(); }
    int FormBoxes() const {
        int count = 0;
        for (const MessageBoxEvent& box : sink.boxes) {
            count += box.kind == Kind::Form ? 1 : 0;
        }
        return count;
    }

    FakePlatform platform;
    ScopedPlatform usePlatform{&platform};
    RecordingSink sink;
    ScopedMessageSink useSink{&sink};
    FakeDevice& com;
    sim::PrinterModel printer;
    HeadlessForm form;
    PrinterLink link;
};

TEST_F(ReadWriteAllTest, ReadAllQueriesInNumberOrderAndFillsTheForm) {
    LoadPrinter();
    OnReadAll(form, link);
    EXPECT_EQ(com.writes, QueriesOf(kReadOrder));
    EXPECT_TRUE(sink.boxes.empty());
    EXPECT_EQ(test::DescribeFeatureControls(form),
              "ClampDelay='12' CustomerSpecialVersion='200' SetupVersion='3' SetupRevision='4' "
              "PrinterOptions=101101 JournalDefaultFont=1 ValidationDefaultFont=9 "
              "FontOptions=100001 EmulationOptions=0101 ValidationOptions=101'6' "
              "TestModeOptions=010 MiscellaneousOptions=1001 ");
    EXPECT_EQ(Bar().low, 0);
    EXPECT_EQ(Bar().high, 120);
    EXPECT_EQ(Bar().step, 10);
    EXPECT_EQ(Bar().pos, 120);
    EXPECT_FALSE(com.open);
    EXPECT_EQ(com.closeCount, 1);
}

TEST_F(ReadWriteAllTest, WriteAllSendsTheFormInItsOwnOrderWithRevisionLast) {
    LoadPrinter();
    OnReadAll(form, link);
    com.writes.clear();
    form.SetDlgItemText(IDC_CLAMP_DELAY, "40");
    form.SetCheck(1050, 1);               // PrinterOptions 0x20
    form.SetCurSel(IDC_JOURNAL_FONT, 7);  // "OCR"
    form.SetDlgItemText(IDC_LINES_TO_SKIP, "8");
    OnWriteAll(form, link);
    const std::vector<Bytes> expected = {
        Write(76, 40),    Write(85, 200),   Write(86, 3),     Write(88, 0x75),
        Write(96, 0x18),  Write(97, 0x14),  Write(98, 0x81),  Write(99, 0x0A),
        Write(100, 0xA8), Write(101, 0x02), Write(102, 0x11), Write(87, 4),
    };
    EXPECT_EQ(com.writes, expected);
    EXPECT_TRUE(sink.boxes.empty());
    EXPECT_EQ(printer.Feature(76), 40);
    EXPECT_EQ(printer.Feature(100), 0xA8);
    EXPECT_EQ(Bar().pos, 120);
    EXPECT_FALSE(com.open);
    EXPECT_EQ(com.closeCount, 2);
}

TEST_F(ReadWriteAllTest, NeitherCommandTouchesAnythingWhenTheLinkDoesNotOpen) {
    platform.openFailures["COM1:"] = ERROR_ACCESS_DENIED;
    form.SetPos(IDC_PROGRESS, 30);
    const std::string before = test::DescribeFeatureControls(form);
    for (CommandResult (*command)(WindowOps&, PrinterLink&) : {OnReadAll, OnWriteAll}) {
        sink.boxes.clear();
        EXPECT_TRUE(command(form, link).failure);
        ASSERT_GE(sink.boxes.size(), 2u);
        EXPECT_EQ(sink.boxes.front().kind, Kind::Afx);  // the link set-up's own message first
        EXPECT_EQ(LastBox().kind, Kind::Form);
        EXPECT_EQ(LastBox().text, "error opening printer");
        EXPECT_EQ(LastBox().caption, "Caption");
        EXPECT_EQ(LastBox().type, kMbOk);
        EXPECT_EQ(FormBoxes(), 1);
    }
    EXPECT_TRUE(com.writes.empty());
    EXPECT_EQ(com.closeCount, 0);
    EXPECT_EQ(Bar().pos, 30);
    EXPECT_EQ(Bar().high, 100);  // the range was not reset either
    EXPECT_EQ(test::DescribeFeatureControls(form), before);
}

TEST_F(ReadWriteAllTest, ReadAllStopsWhenTheFirstQueryIsNotAnswered) {
    LoadPrinter();
    printer.faults.silent = true;
    form.SetDlgItemText(IDC_CLAMP_DELAY, "7");
    const std::string before = test::DescribeFeatureControls(form);
    OnReadAll(form, link);
    EXPECT_EQ(com.writes, QueriesOf({76}));
    ASSERT_GE(sink.boxes.size(), 3u);
    EXPECT_EQ(sink.boxes[sink.boxes.size() - 2].text, "read error");
    EXPECT_EQ(LastBox().kind, Kind::Form);
    EXPECT_EQ(LastBox().text, "fatal write error");
    EXPECT_EQ(LastBox().caption, "Caption");
    EXPECT_EQ(FormBoxes(), 1);
    EXPECT_EQ(test::DescribeFeatureControls(form), before);
    EXPECT_EQ(Bar().pos, 0);
    EXPECT_EQ(Bar().high, 120);
    EXPECT_FALSE(com.open);
    EXPECT_EQ(com.closeCount, 1);
}

// Features whose query fails keep what they showed; the ones answered before and after are filled.
TEST_F(ReadWriteAllTest, ReadAllGoesOnPastALaterFailureLeavingThoseControlsAlone) {
    LoadPrinter();
    FallSilentAfter(4);  // 76, 85, 86, 87 answered; 88 onwards not
    form.SetCheck(1054, 1);
    form.SetCurSel(IDC_VALIDATION_FONT, 2);
    form.SetDlgItemText(IDC_LINES_TO_SKIP, "3");
    OnReadAll(form, link);
    EXPECT_EQ(com.writes, QueriesOf(kReadOrder));
    EXPECT_EQ(FormBoxes(), 0);
    int readErrors = 0;
    for (const MessageBoxEvent& box : sink.boxes) {
        readErrors += box.text == "read error" ? 1 : 0;
    }
    EXPECT_EQ(readErrors, 8);
    EXPECT_EQ(test::DescribeFeatureControls(form),
              "ClampDelay='12' CustomerSpecialVersion='200' SetupVersion='3' SetupRevision='4' "
              "PrinterOptions=100000 JournalDefaultFont=-1 ValidationDefaultFont=2 "
              "FontOptions=000000 EmulationOptions=0000 ValidationOptions=000'3' "
              "TestModeOptions=000 MiscellaneousOptions=0000 ");
    EXPECT_EQ(Bar().pos, 120);
    EXPECT_EQ(com.closeCount, 1);
}

// Once the device is gone every later query would fail with its own messages: the command stops
// after the first failure's, keeps what it read, and closes the link.
TEST_F(ReadWriteAllTest, ReadAllStopsWhenThePrinterIsUnpluggedMidway) {
    LoadPrinter();
    auto forward = com.onWrite;
    com.onWrite = [this, forward](const Bytes& bytes) {
        forward(bytes);
        if (com.writes.size() == 6) {
            platform.RemoveDevice("COM1:");
        }
    };
    OnReadAll(form, link);
    EXPECT_EQ(FormBoxes(), 0);
    ASSERT_EQ(sink.boxes.size(), 2u);
    EXPECT_EQ(sink.boxes[1].text, "read error");
    EXPECT_EQ(com.writes.size(), 6u);
    EXPECT_EQ(form.GetDlgItemText(IDC_SETUP_REVISION), "4");
    EXPECT_EQ(form.GetCheck(1054), 1);  // PrinterOptions 0x55, read before the unplug
    EXPECT_EQ(Bar().pos, 50);
    EXPECT_EQ(platform.OpenHandleCount(), 0);
    EXPECT_EQ(platform.PendingRequestCount(), 0);
}

TEST_F(ReadWriteAllTest, WriteAllStopsWhenTheFirstWriteFails) {
    form.SetDlgItemText(IDC_CLAMP_DELAY, "5");
    com.writeScript.push_back(FakeStep::Fails(ERROR_GEN_FAILURE));
    OnWriteAll(form, link);
    EXPECT_EQ(com.writes, std::vector<Bytes>{Write(76, 5)});
    ASSERT_EQ(sink.boxes.size(), 2u);
    EXPECT_EQ(sink.boxes[0].kind, Kind::Afx);
    EXPECT_EQ(LastBox().kind, Kind::Form);
    EXPECT_EQ(LastBox().text, "fatal write error");
    EXPECT_EQ(LastBox().caption, "Caption");
    EXPECT_EQ(Bar().pos, 0);
    EXPECT_EQ(com.closeCount, 1);
}

TEST_F(ReadWriteAllTest, WriteAllGoesOnPastALaterFailure) {
    form.SetDlgItemText(IDC_CLAMP_DELAY, "5");
    com.writeScript = {FakeStep::Completes(), FakeStep::Fails(ERROR_GEN_FAILURE)};
    OnWriteAll(form, link);
    EXPECT_EQ(com.writes.size(), 7u);  // 76, then 85 and 86 empty, the six flag sets
    EXPECT_EQ(sink.boxes.size(), 1u);  // the transfer's message alone
    EXPECT_EQ(FormBoxes(), 0);
    EXPECT_EQ(Bar().pos, 120);
    EXPECT_EQ(com.closeCount, 1);
}

// Right after start: no font selected and empty numbers, so only the six flag sets go out.
TEST_F(ReadWriteAllTest, WriteAllRightAfterStartSendsOnlyTheFlagSets) {
    form.SetDlgItemText(IDC_LINES_TO_SKIP, "3");
    OnWriteAll(form, link);
    const std::vector<Bytes> expected = {Write(88, 0),  Write(98, 0),  Write(99, 0),
                                         Write(100, 3), Write(101, 0), Write(102, 0)};
    EXPECT_EQ(com.writes, expected);
    EXPECT_TRUE(sink.boxes.empty());
    EXPECT_EQ(Bar().pos, 120);
}

// A clamp delay above 40 is shown as read; Write All then refuses it rather than leave it out
// without a word, and sends nothing.
TEST_F(ReadWriteAllTest, ClampDelayAboveFortyIsShownAndRefusedByWriteAll) {
    LoadPrinter();
    printer.SetFeature(76, 200);
    OnReadAll(form, link);
    EXPECT_EQ(form.GetDlgItemText(IDC_CLAMP_DELAY), "200");
    com.writes.clear();
    OnWriteAll(form, link);
    EXPECT_TRUE(com.writes.empty());
    ASSERT_EQ(sink.boxes.size(), 1u);
    EXPECT_EQ(LastBox().text, "ClampDelay takes a whole number from 0 to 40");
    EXPECT_EQ(printer.Feature(76), 200);
}

// A number field that Write All cannot send as typed stops it before the link is opened: exactly
// one box, naming the first such field in Write All's order and its range, and the focus on it.
TEST_F(ReadWriteAllTest, WriteAllRefusesANumberItCannotWriteAsTyped) {
    struct Case {
        std::vector<std::pair<int, std::string>> typed;
        const char* box;
        int focus;
    };
    const char* const clamp = "ClampDelay takes a whole number from 0 to 40";
    const char* const lines = "LinesToSkip takes a whole number from 0 to 8";
    const Case cases[] = {
        {{{IDC_CLAMP_DELAY, "x"}}, clamp, IDC_CLAMP_DELAY},
        {{{IDC_CLAMP_DELAY, "41"}}, clamp, IDC_CLAMP_DELAY},
        {{{IDC_SETUP_VERSION, "-1"}},
         "SetupVersion takes a whole number from 0 to 255",
         IDC_SETUP_VERSION},
        {{{IDC_CUSTOMER_SPECIAL_VERSION, "  \t "}},
         "CustomerSpecialVersion takes a whole number from 0 to 255",
         IDC_CUSTOMER_SPECIAL_VERSION},
        {{{IDC_LINES_TO_SKIP, "1x"}}, lines, IDC_LINES_TO_SKIP},
        {{{IDC_LINES_TO_SKIP, "+3"}}, lines, IDC_LINES_TO_SKIP},
        // 2^32 + 5: a counter that wrapped would take it for 5.
        {{{IDC_SETUP_REVISION, "4294967301"}},
         "SetupRevision takes a whole number from 0 to 255",
         IDC_SETUP_REVISION},
        {{{IDC_LINES_TO_SKIP, std::string(40, '9')}}, lines, IDC_LINES_TO_SKIP},
        // Write All's order, not the features' numbers: 87 goes last, after 100.
        {{{IDC_SETUP_REVISION, "x"}, {IDC_LINES_TO_SKIP, "9"}}, lines, IDC_LINES_TO_SKIP},
    };
    LoadPrinter();
    for (const Case& c : cases) {
        SCOPED_TRACE("'" + c.typed.front().second + "' in " +
                     std::to_string(c.typed.front().first));
        sink.boxes.clear();
        for (const int edit : {IDC_CLAMP_DELAY, IDC_CUSTOMER_SPECIAL_VERSION, IDC_SETUP_VERSION,
                               IDC_SETUP_REVISION, IDC_LINES_TO_SKIP}) {
            form.SetDlgItemText(edit, "7");
        }
        for (const auto& [edit, text] : c.typed) {
            form.SetDlgItemText(edit, text);
        }
        form.GotoDlgCtrl(IDC_JOURNAL_FONT);
        OnWriteAll(form, link);
        EXPECT_TRUE(com.writes.empty());
        EXPECT_EQ(com.openCount, 0);
        ASSERT_EQ(sink.boxes.size(), 1u);
        EXPECT_EQ(LastBox().kind, Kind::Form);
        EXPECT_EQ(LastBox().text, c.box);
        EXPECT_EQ(LastBox().caption, "Caption");
        EXPECT_EQ(LastBox().type, kMbOk);
        EXPECT_EQ(form.Focus(), c.focus);
    }
    EXPECT_EQ(Bar().high, 100);  // the bar was not reset either
}

// Blanks around the digits and leading zeros are accepted, and written as the number they hold;
// an empty field is left out.
TEST_F(ReadWriteAllTest, WriteAllSendsAWholeNumberWithBlanksAroundIt) {
    form.SetDlgItemText(IDC_CLAMP_DELAY, " 40\t");
    form.SetDlgItemText(IDC_SETUP_VERSION, "007");
    form.SetDlgItemText(IDC_LINES_TO_SKIP, "\t8 ");
    OnWriteAll(form, link);
    const std::vector<Bytes> expected = {Write(76, 40), Write(86, 7), Write(88, 0),
                                         Write(98, 0),  Write(99, 0), Write(100, 8),
                                         Write(101, 0), Write(102, 0)};
    EXPECT_EQ(com.writes, expected);
    EXPECT_TRUE(sink.boxes.empty());
    EXPECT_EQ(form.Focus(), HeadlessForm::kNoFocus);
}

// Read All then Write All without edits: what the form owns comes back unchanged, the bits no box
// owns come back 0, LinesToSkip 8 comes back 8, and an unknown font code is replaced by the list's
// earlier selection.
TEST_F(ReadWriteAllTest, ReadThenWriteWithoutEditsWritesBackWhatTheFormOwns) {
    LoadPrinter();
    const std::pair<std::uint8_t, std::uint8_t> held[] = {
        {88, 0xFF}, {96, 0x1B}, {98, 0xFF}, {99, 0xFF}, {100, 0xF8}, {101, 0xFF}, {102, 0xFF},
    };
    for (const auto& [id, value] : held) {
        printer.SetFeature(id, value);
    }
    form.SetCurSel(IDC_JOURNAL_FONT, 7);  // "OCR", chosen before the read
    OnReadAll(form, link);
    EXPECT_EQ(form.GetDlgItemText(IDC_LINES_TO_SKIP), "8");
    OnWriteAll(form, link);
    const std::pair<std::uint8_t, std::uint8_t> stored[] = {
        {76, 12},   {85, 200},  {86, 3},    {87, 4},     {88, 0x77},  {96, 0x18},
        {97, 0x14}, {98, 0x9F}, {99, 0x0F}, {100, 0xE8}, {101, 0x07}, {102, 0x17},
    };
    for (const auto& [id, value] : stored) {
        EXPECT_EQ(printer.Feature(id), value) << "feature " << int{id};
    }
    EXPECT_TRUE(sink.boxes.empty());
}

}  // namespace
}  // namespace tq
