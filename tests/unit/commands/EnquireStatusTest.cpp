// The status enquiry alone (tq9000ctl's `enquire`): ENQ and nothing else on the line, the status
// byte shown as "Status / Test Print" shows it, nothing printed, and each failure reported as that
// command reports it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commands/Commands.h"
#include "framework/HeadlessForm.h"
#include "protocol/Frames.h"
#include "tests/unit/protocol/PrinterOnFake.h"

namespace tq {
namespace {

using test::Afx;
using test::Bytes;
using Lines = std::vector<std::string>;

class EnquireStatusTest : public ::testing::Test, protected test::PrinterOnFake {
protected:
    void ExpectLinkClosed() {
        EXPECT_FALSE(com.open);
        EXPECT_EQ(com.closeCount, com.openCount);
    }

    HeadlessForm form;
};

// A byte left on the line from before is dropped, not taken for the status.
TEST_F(EnquireStatusTest, SendsTheEnquiryAloneAndShowsTheStatusByte) {
    printer.faults.statusByte = 0xA5;
    com.QueueReply({0x11});
    EnquireStatus(form);
    EXPECT_EQ(com.writes, (std::vector<Bytes>{{ENQ}}));
    EXPECT_EQ(printer.PrintLog(), Bytes{});
    EXPECT_EQ(Boxes(), Lines{"Printer Status Byte: <a5>"});
    EXPECT_EQ(sink.boxes[0].kind, MessageBoxEvent::Kind::Form);
    EXPECT_EQ(com.purgedBytes, 1u);
    ExpectLinkClosed();
}

TEST(EnquireStatusFailureTest, FailuresAreReportedAsStatusTestPrintReportsThem) {
    struct Case {
        const char* what;
        void (*arrange)(test::PrinterOnFake&);
        Lines boxes;
    };
    const Case cases[] = {
        {"open",
         [](test::PrinterOnFake& p) { p.platform.openFailures["COM1:"] = ERROR_ACCESS_DENIED; },
         {Afx("Error opening printer"), "Caption: error opening printer"}},
        {"write",
         [](test::PrinterOnFake& p) {
             p.com.writeScript.push_back(FakeStep::Fails(ERROR_GEN_FAILURE));
         },
         {Afx("write failed  -2"), Afx("write error")}},
        {"read",
         [](test::PrinterOnFake& p) { p.printer.faults.silent = true; },
         {Afx("read timed out -9"), Afx("read error")}},
        {"two bytes",
         [](test::PrinterOnFake& p) { p.printer.faults.extraBytes = {0x03}; },
         {Afx("read error")}},
    };
    for (const Case& c : cases) {
        test::PrinterOnFake fresh;
        c.arrange(fresh);
        HeadlessForm form;
        EnquireStatus(form);
        EXPECT_EQ(fresh.Boxes(), c.boxes) << c.what;
        EXPECT_EQ(fresh.printer.PrintLog(), Bytes{}) << c.what;
        EXPECT_EQ(fresh.com.closeCount, fresh.com.openCount) << c.what;
    }
}

}  // namespace
}  // namespace tq
