// tq9000-timeout-bench: how late a read that times out is reported, and what it costs while it
// waits. It opens COM1: on a pseudo-terminal whose other side never answers, issues N reads of one
// byte with the 10 ms deadline that every reply gets, and reports, from the instant the tick
// counter says the deadline has passed (start tick + 11 ms) to the return of the call, the median,
// 99th percentile and largest delay, with the processor time per read. Nothing is asserted.
#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/MessageBoxes.h"
#include "link/PrinterLink.h"
#include "link/TimedTransfer.h"
#include "platform/Platform.h"

namespace {

constexpr tq::DWORD kReadTimeoutMs = 10;

double MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

double CpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec * 1000.0 + usage.ru_utime.tv_usec / 1000.0 +
           usage.ru_stime.tv_sec * 1000.0 + usage.ru_stime.tv_usec / 1000.0;
}

// A silent peer: the master side of a pseudo-terminal that is held open and never written.
int OpenSilentPeer(std::string& path) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        return -1;
    }
    path = ptsname(master);
    return master;
}

double Percentile(std::vector<double> values, double share) {
    std::sort(values.begin(), values.end());
    const auto at = static_cast<std::size_t>(share * static_cast<double>(values.size() - 1));
    return values[at];
}

}  // namespace

int main(int argc, char** argv) {
    int reads = 1000;
    if (argc == 3 && std::strcmp(argv[1], "--reads") == 0) {
        reads = std::max(1, std::atoi(argv[2]));
    }
    std::string path;
    const int peer = OpenSilentPeer(path);
    if (peer < 0) {
        std::perror("tq9000-timeout-bench: pseudo-terminal");
        return 1;
    }
    setenv("TQ9000_COM1", path.c_str(), 1);
    tq::RecordingSink sink;  // the time-out boxes, kept out of the way
    tq::ScopedMessageSink installed(&sink);
    tq::PrinterLink link;
    if (link.OpenPrinterLink() != 0) {
        std::fprintf(stderr, "tq9000-timeout-bench: COM1: did not open\n");
        return 1;
    }
    std::vector<double> late;
    const double cpuBefore = CpuMs();
    for (int i = 0; i < reads; ++i) {
        unsigned char reply[64];
        std::int32_t received = 0;
        const tq::DWORD startTick = tq::os::GetTickCount();
        link.TimedRead(reply, sizeof reply, 1, &received, 0x03, kReadTimeoutMs);
        const double returned = MonotonicMs();
        const double deadline = static_cast<double>(startTick) + kReadTimeoutMs + 1;
        // The tick counter holds the low 32 bits of the monotonic milliseconds.
        const double base = returned - std::fmod(returned, 4294967296.0);
        late.push_back(returned - (base + deadline));
    }
    const double cpu = CpuMs() - cpuBefore;
    if (!sink.boxes.empty()) {
        std::printf("each read ended with \"%s\"\n", sink.boxes.back().text.c_str());
    }
    std::printf("timed-out reads: %d, each with a %u ms deadline\n", reads, kReadTimeoutMs);
    std::printf("reported after the deadline passed: median %.3f ms, p99 %.3f ms, max %.3f ms\n",
                Percentile(late, 0.5), Percentile(late, 0.99), Percentile(late, 1.0));
    std::printf("processor time per read: %.4f ms\n", cpu / reads);
    link.ClosePrinterLink();
    close(peer);
    return 0;
}
