// The DCB <-> termios translation of the POSIX serial port, on termios records alone: the byte
// sizes and parities that a pseudo-terminal cannot hold, the settings with no termios form, the
// RTS/CTS handshake both ways, and the raw line every setting produces.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/posix/SerialPort.h"

namespace tq::posix {
namespace {

DCB Line(DWORD rate, BYTE size, BYTE parity, BYTE stopBits) {
    DCB dcb = InitialSettings();
    dcb.BaudRate = rate;
    dcb.ByteSize = size;
    dcb.Parity = parity;
    dcb.StopBits = stopBits;
    return dcb;
}

termios Cooked() {
    termios t{};
    t.c_iflag = ICRNL | IXON | ISTRIP | BRKINT;
    t.c_oflag = OPOST | ONLCR;
    t.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    t.c_cflag = CS7 | PARENB | HUPCL;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 5;
    return t;
}

TEST(TermiosTranslation, EveryByteSizeParityAndStopBitSettingRoundTrips) {
    const struct {
        BYTE parity;
        tcflag_t flags;
    } parities[] = {{0, 0},
                    {1, PARENB | PARODD},
                    {2, PARENB},
                    {3, PARENB | CMSPAR | PARODD},
                    {4, PARENB | CMSPAR}};
    const tcflag_t sizes[] = {CS5, CS6, CS7, CS8};
    for (BYTE size = 5; size <= 8; ++size) {
        for (const auto& parity : parities) {
            for (BYTE stop : {BYTE{0}, BYTE{2}}) {
                const DCB dcb = Line(115200, size, parity.parity, stop);
                termios t = Cooked();
                ASSERT_TRUE(DcbToTermios(dcb, t));
                EXPECT_EQ(t.c_cflag & CSIZE, sizes[size - 5]);
                EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), parity.flags);
                EXPECT_EQ((t.c_cflag & CSTOPB) != 0, stop == 2);
                EXPECT_EQ(cfgetospeed(&t), B115200);
                const DCB back = TermiosToDcb(t, dcb);
                EXPECT_EQ(std::memcmp(&back, &dcb, sizeof dcb), 0)
                    << int(size) << " bits, parity " << int(parity.parity) << ", stop "
                    << int(stop);
            }
        }
    }
}

TEST(TermiosTranslation, SettingsWithoutATermiosFormAreRefused) {
    const DCB refused[] = {Line(0, 8, 0, 0),    Line(12345, 8, 0, 0), Line(9600, 4, 0, 0),
                           Line(9600, 9, 0, 0), Line(9600, 8, 5, 0),  Line(9600, 8, 0, 1),
                           Line(9600, 8, 0, 3)};
    for (const DCB& dcb : refused) {
        termios t = Cooked();
        EXPECT_FALSE(DcbToTermios(dcb, t)) << dcb.BaudRate << " " << int(dcb.ByteSize) << " "
                                           << int(dcb.Parity) << " " << int(dcb.StopBits);
    }
}

TEST(TermiosTranslation, EverySettingGivesARawLineThatReturnsAtOnce) {
    termios t = Cooked();
    ASSERT_TRUE(DcbToTermios(Line(9600, 8, 0, 0), t));
    EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
    EXPECT_EQ(t.c_oflag & OPOST, 0u);
    EXPECT_EQ(t.c_iflag & (ICRNL | IXON | ISTRIP | BRKINT), 0u);
    EXPECT_EQ(t.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(t.c_cc[VMIN], 0);
    EXPECT_EQ(t.c_cc[VTIME], 0);
}

TEST(TermiosTranslation, EitherHalfOfTheHardwareHandshakeTurnsOnRtsCts) {
    for (const auto& [cts, rts, expected] :
         {std::tuple{1u, 0u, true}, std::tuple{0u, 2u, true}, std::tuple{0u, 1u, false}}) {
        DCB dcb = Line(9600, 8, 0, 0);
        dcb.fOutxCtsFlow = cts;
        dcb.fRtsControl = rts;
        termios t = Cooked();
        ASSERT_TRUE(DcbToTermios(dcb, t));
        EXPECT_EQ((t.c_cflag & CRTSCTS) != 0, expected);
        const DCB back = TermiosToDcb(t, dcb);
        EXPECT_EQ(back.fOutxCtsFlow, cts);  // as last set, since the port agrees
        EXPECT_EQ(back.fRtsControl, rts);
    }
}

TEST(TermiosTranslation, HandshakeChangedBehindTheHandlesBackIsReportedAsThePortHasIt) {
    DCB dcb = Line(9600, 8, 0, 0);
    dcb.fOutxCtsFlow = 0;
    dcb.fRtsControl = 1;
    termios t = Cooked();
    ASSERT_TRUE(DcbToTermios(dcb, t));
    t.c_cflag |= CRTSCTS;
    DCB back = TermiosToDcb(t, dcb);
    EXPECT_EQ(back.fOutxCtsFlow, 1u);
    EXPECT_EQ(back.fRtsControl, RTS_CONTROL_HANDSHAKE);

    dcb.fOutxCtsFlow = 1;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    t.c_cflag &= ~CRTSCTS;
    back = TermiosToDcb(t, dcb);
    EXPECT_EQ(back.fOutxCtsFlow, 0u);
    EXPECT_EQ(back.fRtsControl, 1u);
}

TEST(TermiosTranslation, SoftwareFlowControlAndItsCharactersMapToIxonIxoff) {
    DCB dcb = Line(9600, 8, 0, 0);
    dcb.fOutX = 1;
    dcb.fInX = 0;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    termios t = Cooked();
    ASSERT_TRUE(DcbToTermios(dcb, t));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), static_cast<tcflag_t>(IXON));
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    const DCB back = TermiosToDcb(t, dcb);
    EXPECT_EQ(back.fOutX, 1u);
    EXPECT_EQ(back.fInX, 0u);
}

}  // namespace
}  // namespace tq::posix
