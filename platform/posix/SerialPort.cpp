#include "platform/posix/SerialPort.h"

#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <optional>

#include "platform/posix/Errors.h"

// Linux has no DTR/DSR hardware flow control: termios offers RTS/CTS (CRTSCTS) and XON/XOFF only.
// A DCB that asks for the DTR/DSR handshake (fOutxDsrFlow, fDtrControl = DTR_CONTROL_HANDSHAKE)
// gets DTR held asserted, so a printer that waits for DTR before it sends sees it at once, and
// the printer's DSR is not watched: output does not pause when DSR drops. The RTS/CTS handshake,
// which the same DCB asks for, paces the line in both directions. Both DSR-related fields are
// kept with the handle and reported back by GetCommState as they were set.

namespace tq::posix {

namespace {

constexpr BYTE kOddParity = 1;
constexpr BYTE kEvenParity = 2;
constexpr BYTE kMarkParity = 3;
constexpr BYTE kSpaceParity = 4;
constexpr BYTE kTwoStopBits = 2;
constexpr DWORD kControlDisable = 0;
constexpr DWORD kControlEnable = 1;

struct BaudRate {
    DWORD rate;
    speed_t code;
};

constexpr BaudRate kBaudRates[] = {
    {50, B50},           {75, B75},           {110, B110},         {134, B134},
    {150, B150},         {200, B200},         {300, B300},         {600, B600},
    {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
    {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
    {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
    {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
    {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
    {3500000, B3500000}, {4000000, B4000000}};

std::optional<speed_t> SpeedCode(DWORD rate) {
    for (const BaudRate& entry : kBaudRates) {
        if (entry.rate == rate)
            return entry.code;
    }
    return std::nullopt;
}

DWORD RateOf(speed_t code) {
    for (const BaudRate& entry : kBaudRates) {
        if (entry.code == code)
            return entry.rate;
    }
    return 0;
}

std::optional<tcflag_t> SizeFlag(BYTE byteSize) {
    switch (byteSize) {
        case 5:
            return CS5;
        case 6:
            return CS6;
        case 7:
            return CS7;
        case 8:
            return CS8;
        default:
            return std::nullopt;
    }
}

BYTE ByteSizeOf(tcflag_t cflag) {
    switch (cflag & CSIZE) {
        case CS5:
            return 5;
        case CS6:
            return 6;
        case CS7:
            return 7;
        default:
            return 8;
    }
}

std::optional<tcflag_t> ParityFlags(BYTE parity) {
    switch (parity) {
        case NOPARITY:
            return tcflag_t{0};
        case kOddParity:
            return tcflag_t{PARENB | PARODD};
        case kEvenParity:
            return tcflag_t{PARENB};
        case kMarkParity:
            return tcflag_t{PARENB | CMSPAR | PARODD};
        case kSpaceParity:
            return tcflag_t{PARENB | CMSPAR};
        default:
            return std::nullopt;
    }
}

BYTE ParityOf(tcflag_t cflag) {
    if ((cflag & PARENB) == 0)
        return NOPARITY;
    const bool odd = (cflag & PARODD) != 0;
    if ((cflag & CMSPAR) != 0)
        return odd ? kMarkParity : kSpaceParity;
    return odd ? kOddParity : kEvenParity;
}

// One and a half stop bits (StopBits 1) has no termios form.
std::optional<tcflag_t> StopFlag(BYTE stopBits) {
    if (stopBits == ONESTOPBIT)
        return tcflag_t{0};
    if (stopBits == kTwoStopBits)
        return tcflag_t{CSTOPB};
    return std::nullopt;
}

bool WantsHardwareHandshake(const DCB& dcb) {
    return dcb.fOutxCtsFlow != 0 || dcb.fRtsControl == RTS_CONTROL_HANDSHAKE;
}

// Raw bytes both ways, as cfmakeraw, with the receiver on and modem control lines ignored.
void MakeRaw(termios& t) {
    t.c_iflag &=
        ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY | INPCK);
    t.c_oflag &= ~OPOST;
    t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
}

void SetModemLine(int fd, int line, bool raised) {
    // A pseudo-terminal has no modem lines and refuses; nothing to do then.
    ::ioctl(fd, raised ? TIOCMBIS : TIOCMBIC, &line);
}

// DTR is held up for every setting but DTR_CONTROL_DISABLE (see the DTR/DSR note above). RTS is
// the kernel's to drive under CRTSCTS; otherwise it follows fRtsControl (toggle mode has no
// counterpart and leaves RTS up).
void ApplyModemLines(int fd, const DCB& dcb) {
    SetModemLine(fd, TIOCM_DTR, dcb.fDtrControl != kControlDisable);
    if (!WantsHardwareHandshake(dcb)) {
        SetModemLine(fd, TIOCM_RTS, dcb.fRtsControl != kControlDisable);
    }
}

// The handshake fields as last set, unless the port's CRTSCTS says otherwise (someone else
// changed the port since): then they are derived from the flag.
void ReadHandshake(const termios& t, DCB& dcb) {
    const bool on = (t.c_cflag & CRTSCTS) != 0;
    if (on == WantsHardwareHandshake(dcb)) {
        return;
    }
    dcb.fOutxCtsFlow = on ? 1 : 0;
    dcb.fRtsControl = on ? RTS_CONTROL_HANDSHAKE : kControlEnable;
}

// The line settings that a driver may decline while still accepting the rest of the call.
bool SameLine(const termios& wanted, const termios& actual) {
    constexpr tcflag_t kLineFlags = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
    return (wanted.c_cflag & kLineFlags) == (actual.c_cflag & kLineFlags) &&
           ::cfgetospeed(&wanted) == ::cfgetospeed(&actual) &&
           ::cfgetispeed(&wanted) == ::cfgetispeed(&actual);
}

// tcsetattr succeeds when any part of the request was applied; a driver that declined part of it
// (a pseudo-terminal keeps only 8 data bits and no parity) gets its previous settings back, so
// that a refused DCB changes nothing, as on Windows.
bool ApplyAll(int fd, const termios& before, const termios& wanted) {
    termios actual{};
    if (::tcsetattr(fd, TCSANOW, &wanted) != 0)
        return false;
    if (::tcgetattr(fd, &actual) == 0 && SameLine(wanted, actual))
        return true;
    ::tcsetattr(fd, TCSANOW, &before);
    errno = EINVAL;
    return false;
}

// How long the bytes still queued for the line may take to leave before the settings change.
constexpr int kDrainLimitMs = 500;
constexpr int kDrainPollMs = 2;

}  // namespace

// The queued bytes leave at the rate they were written for: the old settings come back once the
// queue is empty (TCSADRAIN then waits only for the transmitter itself), or at once when a line
// held by its handshake has not emptied it in time, as tcdrain alone could wait for ever.
void RestoreLine(const FileObject& file) {
    int queued = 0;
    for (int waited = 0; waited < kDrainLimitMs; waited += kDrainPollMs) {
        if (::ioctl(file.fd, TIOCOUTQ, &queued) != 0 || queued == 0) {
            break;
        }
        ::usleep(kDrainPollMs * 1000);
    }
    ::tcsetattr(file.fd, queued == 0 ? TCSADRAIN : TCSANOW, &file.lineBefore);
}

bool DcbToTermios(const DCB& dcb, termios& t) {
    const auto speed = SpeedCode(dcb.BaudRate);
    const auto size = SizeFlag(dcb.ByteSize);
    const auto parity = ParityFlags(dcb.Parity);
    const auto stop = StopFlag(dcb.StopBits);
    if (!speed || !size || !parity || !stop) {
        return false;
    }
    MakeRaw(t);
    t.c_cflag |= *size | *parity | *stop;
    if (WantsHardwareHandshake(dcb))
        t.c_cflag |= CRTSCTS;
    if (dcb.fOutX)
        t.c_iflag |= IXON;
    if (dcb.fInX)
        t.c_iflag |= IXOFF;
    if (dcb.fParity)
        t.c_iflag |= INPCK;
    t.c_cc[VSTART] = static_cast<cc_t>(dcb.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(dcb.XoffChar);
    return ::cfsetispeed(&t, *speed) == 0 && ::cfsetospeed(&t, *speed) == 0;
}

DCB TermiosToDcb(const termios& t, const DCB& lastSet) {
    DCB out = lastSet;
    out.DCBlength = sizeof(DCB);
    out.BaudRate = RateOf(::cfgetospeed(&t));
    out.fBinary = 1;
    out.fParity = (t.c_iflag & INPCK) != 0 ? 1 : 0;
    out.fOutX = (t.c_iflag & IXON) != 0 ? 1 : 0;
    out.fInX = (t.c_iflag & IXOFF) != 0 ? 1 : 0;
    ReadHandshake(t, out);
    out.ByteSize = ByteSizeOf(t.c_cflag);
    out.Parity = ParityOf(t.c_cflag);
    out.StopBits = (t.c_cflag & CSTOPB) != 0 ? kTwoStopBits : ONESTOPBIT;
    out.XonChar = static_cast<char>(t.c_cc[VSTART]);
    out.XoffChar = static_cast<char>(t.c_cc[VSTOP]);
    return out;
}

DCB InitialSettings() {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.fBinary = 1;
    dcb.fDtrControl = kControlEnable;
    dcb.fRtsControl = kControlEnable;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    return dcb;
}

BOOL ReadCommState(FileObject& file, DCB* dcb) {
    termios t{};
    if (dcb == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    if (file.kind != FileKind::Serial)
        return Fail(ERROR_NOT_SUPPORTED);
    if (::tcgetattr(file.fd, &t) != 0)
        return Fail(ErrorFromErrno(errno));
    *dcb = TermiosToDcb(t, file.settings);
    return TRUE;
}

BOOL WriteCommState(FileObject& file, const DCB* dcb) {
    termios before{};
    if (dcb == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    if (file.kind != FileKind::Serial)
        return Fail(ERROR_NOT_SUPPORTED);
    if (::tcgetattr(file.fd, &before) != 0)
        return Fail(ErrorFromErrno(errno));
    termios wanted = before;
    if (!DcbToTermios(*dcb, wanted))
        return Fail(ERROR_INVALID_PARAMETER);
    if (!ApplyAll(file.fd, before, wanted))
        return Fail(ErrorFromErrno(errno));
    if (!file.lineChanged) {
        file.lineBefore = before;
        file.lineChanged = true;
    }
    ApplyModemLines(file.fd, *dcb);
    file.settings = *dcb;
    return TRUE;
}

BOOL ReadCommTimeouts(const FileObject& file, COMMTIMEOUTS* timeouts) {
    if (timeouts == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    if (file.kind != FileKind::Serial)
        return Fail(ERROR_NOT_SUPPORTED);
    *timeouts = file.timeouts;
    return TRUE;
}

// The time-outs are kept with the handle; ReadFile applies the read-at-once combination (see
// OverlappedIo.cpp). The write time-outs are kept only: every write is bounded by its caller.
BOOL WriteCommTimeouts(FileObject& file, const COMMTIMEOUTS* timeouts) {
    if (timeouts == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    if (file.kind != FileKind::Serial)
        return Fail(ERROR_NOT_SUPPORTED);
    file.timeouts = *timeouts;
    return TRUE;
}

}  // namespace tq::posix
