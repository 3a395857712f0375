#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/Commands.h"
#include "commands/FormStartup.h"
#include "framework/ControlIds.h"
#include "framework/HeadlessForm.h"
#include "protocol/Frames.h"
#include "tests/unit/protocol/PrinterOnFake.h"

namespace tq {
namespace {

using test::Afx;
using test::Bytes;
using Lines = std::vector<std::string>;

const auto kTestFrame = BuildTestPrintFrame();
const Bytes kTestText(kTestFrame.begin(), kTestFrame.end());
const Bytes kEnquiry = {ENQ};
const char* const kRangeNotice = "Enter a value between 30H and 6FH";

class CommandTest : public ::testing::Test, protected test::PrinterOnFake {
protected:
    CommandTest() {
        form.AddEdit(IDC_FEATURE_ID);
        form.AddEdit(IDC_FEATURE_VALUE);
        form.SetDlgItemText(IDC_FEATURE_VALUE, "previous");
    }

    void Get(const std::string& typed) {
        form.SetDlgItemText(IDC_FEATURE_ID, typed);
        OnGetFeature(form, link);
    }

    // Every path on which COM1: was opened closes it again.
    void ExpectLinkClosed() {
        EXPECT_FALSE(com.open);
        EXPECT_EQ(com.closeCount, com.openCount);
    }

    HeadlessForm form;
};

class GetFeatureTest : public CommandTest {};

TEST_F(GetFeatureTest, TypedNumbersAcceptedOrRefused) {
    const std::pair<const char*, int> cases[] = {
        {"47", -1},          {"48", 0x30},
        {"111", 0x6F},       {"112", -1},
        {" 99", 0x63},       {"\t\n99", 0x63},
        {"99abc", 0x63},     {"+48", 0x30},
        {"0x63", -1},        {"", -1},
        {"abc", -1},         {"-48", -1},
        {"99999999999", -1}, {"4294967344", -1},  // 2^32 + 48: no wrap to 48
        {"-4294967248", -1}, {"000000000000000000000099", 0x63},
    };
    for (const auto& [typed, id] : cases) {
        com.writes.clear();
        sink.boxes.clear();
        form.SetDlgItemText(IDC_FEATURE_VALUE, "previous");
        const int opensBefore = com.openCount;
        Get(typed);
        if (id < 0) {
            EXPECT_EQ(Boxes(), Lines{Afx(kRangeNotice)}) << "'" << typed << "'";
            EXPECT_EQ(com.openCount, opensBefore) << "'" << typed << "'";
            EXPECT_EQ(form.GetDlgItemText(IDC_FEATURE_VALUE), "previous");
        } else {
            EXPECT_EQ(Boxes(), Lines{}) << "'" << typed << "'";
            EXPECT_EQ(com.writes, (std::vector<Bytes>{{0x1B, 0x3F, static_cast<BYTE>(id)}}))
                << "'" << typed << "'";
        }
    }
}

TEST_F(GetFeatureTest, ShowsTheDecodedReplyInTheValueField) {
    printer.SetFeature(0x58, 5);
    Get("88");
    EXPECT_EQ(form.GetDlgItemText(IDC_FEATURE_VALUE), "05");
    Get("48");
    EXPECT_EQ(form.GetDlgItemText(IDC_FEATURE_VALUE), "1.0");
    // 0x40 gets no reply: the field shows the empty text rather than what it held.
    Get("64");
    EXPECT_EQ(form.GetDlgItemText(IDC_FEATURE_VALUE), "");
    EXPECT_TRUE(sink.boxes.empty());
    ExpectLinkClosed();
}

TEST_F(GetFeatureTest, LinkThatCannotBeOpened) {
    platform.openFailures["COM1:"] = ERROR_FILE_NOT_FOUND;
    Get("88");
    EXPECT_EQ(Boxes(), (Lines{Afx("Error opening printer"), "Caption: error opening printer"}));
    EXPECT_EQ(sink.boxes.back().kind, MessageBoxEvent::Kind::Form);
    EXPECT_EQ(sink.boxes.back().type, kMbOk);
    EXPECT_TRUE(com.writes.empty());
    EXPECT_EQ(form.GetDlgItemText(IDC_FEATURE_VALUE), "previous");
}

TEST_F(GetFeatureTest, QueryThatCannotBeWritten) {
    com.writeScript.push_back(FakeStep::Fails(ERROR_GEN_FAILURE));
    Get("88");
    EXPECT_EQ(Boxes(), (Lines{Afx("write failed  -2"), Afx("fatal error")}));
    EXPECT_EQ(form.GetDlgItemText(IDC_FEATURE_VALUE), "previous");
    ExpectLinkClosed();
}

TEST_F(GetFeatureTest, ReplyThatCannotBeRead) {
    printer.faults.silent = true;
    Get("88");
    EXPECT_EQ(Boxes(), (Lines{Afx("read timed out -9"), Afx("read error"), Afx("fatal error")}));
    EXPECT_EQ(form.GetDlgItemText(IDC_FEATURE_VALUE), "previous");
    ExpectLinkClosed();
}

// A printer that answers 350 ms late: the first command's reply comes after its read has failed.
// The command ends only once that reply has been dropped, so the next run of the program, starting
// at once, never shows feature 88's value as feature 76's.
TEST_F(GetFeatureTest, AReplyTooLateForOneRunNeverAnswersTheNext) {
    printer.faults.delayMs = 350;
    Get("88");
    Get("76");
    EXPECT_EQ(form.GetDlgItemText(IDC_FEATURE_VALUE), "previous");  // not 30
}

class StatusTestPrintTest : public CommandTest {};

TEST_F(StatusTestPrintTest, PrintsTheTestTextThenAsksForTheStatus) {
    printer.faults.statusByte = 0xA5;
    OnStatusTestPrint(form, link);
    EXPECT_EQ(com.writes, (std::vector<Bytes>{kTestText, kEnquiry}));
    EXPECT_EQ(printer.PrintLog(), kTestText);
    EXPECT_EQ(Boxes(), Lines{"Printer Status Byte: <a5>"});
    EXPECT_EQ(sink.boxes[0].kind, MessageBoxEvent::Kind::Form);
    EXPECT_EQ(sink.boxes[0].type, kMbOk);
    EXPECT_EQ(CallsOf("Sleep(100)"), 1);
    ExpectLinkClosed();
}

// The enquiry is answered with exactly one byte; a reply with more is a read failure, not a status.
TEST_F(StatusTestPrintTest, StatusZeroAndSeveralBytes) {
    OnStatusTestPrint(form, link);
    printer.faults.statusByte = 0x1A;
    printer.faults.extraBytes = {0x03};
    OnStatusTestPrint(form, link);
    EXPECT_EQ(Boxes(), (Lines{"Printer Status Byte: <00>", Afx("read error")}));
}

TEST_F(StatusTestPrintTest, LinkThatCannotBeOpenedSendsNothing) {
    platform.openFailures["COM1:"] = ERROR_ACCESS_DENIED;
    OnStatusTestPrint(form, link);
    EXPECT_EQ(Boxes(), (Lines{Afx("Error opening printer"), "Caption: error opening printer"}));
    EXPECT_TRUE(com.writes.empty());
}

TEST_F(StatusTestPrintTest, TestTextThatCannotBeWrittenSendsNoEnquiry) {
    com.writeScript.push_back(FakeStep::Fails(ERROR_GEN_FAILURE));
    OnStatusTestPrint(form, link);
    EXPECT_EQ(Boxes(), (Lines{Afx("write failed  -2"), Afx("fatal write error")}));
    EXPECT_EQ(com.writes.size(), 1u);
    ExpectLinkClosed();
}

TEST_F(StatusTestPrintTest, EnquiryThatCannotBeWritten) {
    const DWORD start = platform.tick;
    com.writeScript.push_back(FakeStep::Completes());
    com.writeScript.push_back(FakeStep::Fails(ERROR_GEN_FAILURE));
    OnStatusTestPrint(form, link);
    EXPECT_EQ(Boxes(), (Lines{Afx("write failed  -2"), Afx("write error")}));
    ExpectLinkClosed();
    EXPECT_GE(platform.tick - start, 1200u);  // the printer may have heard the enquiry
}

TEST_F(StatusTestPrintTest, StatusThatCannotBeRead) {
    printer.faults.silent = true;
    OnStatusTestPrint(form, link);
    EXPECT_EQ(Boxes(), (Lines{Afx("read timed out -9"), Afx("read error")}));
    ExpectLinkClosed();
}

class FormStartupTest : public CommandTest {
protected:
    FormStartupTest() {
        form.AddComboBox(IDC_JOURNAL_FONT);
        form.AddComboBox(IDC_VALIDATION_FONT);
        form.AddEdit(IDC_VERSION);
    }
};

TEST_F(FormStartupTest, WithoutUsbAssumesCom1AndFillsTheForm) {
    StartUpForm(form, link);
    ASSERT_EQ(Boxes(), Lines{"BRENLOW: Usb offline, assuming COM1:"});
    EXPECT_EQ(sink.boxes[0].type, kMbIconInformation);
    for (int list : {IDC_JOURNAL_FONT, IDC_VALIDATION_FONT}) {
        ASSERT_EQ(form.Items(list).size(), 10u);
        EXPECT_EQ(form.Items(list).front(), "Standard - Default");
        EXPECT_EQ(form.Items(list).back(), "Large Italic");
        EXPECT_EQ(form.GetCurSel(list), kCbErr);
    }
    EXPECT_EQ(form.GetDlgItemText(IDC_VERSION), kVersionText);
    EXPECT_EQ(link.CurrentDeviceState(), DeviceState::Unknown);
}

TEST_F(FormStartupTest, WithAUsbPrinterSaysDeviceOnline) {
    platform.AddDevice("/dev/usb/lp0");
    FakeUsbInterface usb;
    usb.devicePath = "/dev/usb/lp0";
    platform.usbInterfaces.push_back(usb);
    StartUpForm(form, link);
    ASSERT_EQ(Boxes(), Lines{"BRENLOW: Device Online"});
    EXPECT_EQ(sink.boxes[0].type, kMbIconInformation);
    EXPECT_EQ(link.CurrentDeviceState(), DeviceState::Unknown);
}

}  // namespace
}  // namespace tq
