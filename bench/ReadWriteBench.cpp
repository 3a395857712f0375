// tq9000-bench: times "Read All" and "Write All" against tq9000-sim on a pseudo-terminal, through
// the real POSIX platform and the same command code as both front ends. It starts the simulator,
// points COM1: at its terminal, presses each button several times on a headless form, and
// reports the median wall time, Read All's ratio to its protocol floor (twelve 100 ms pauses),
// and the processor time each command costs this process. Nothing is asserted: it reports.
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "cli/HeadlessConfigForm.h"
#include "commands/Commands.h"
#include "commands/FormStartup.h"
#include "framework/HeadlessForm.h"
#include "framework/MessageBoxes.h"
#include "link/PrinterLink.h"

namespace {

constexpr double kReadAllFloorMs = 1200.0;  // twelve queries, each pausing 100 ms for its reply
constexpr double kReadAllRatioTarget = 1.04;
constexpr double kWriteAllTargetMs = 10.0;
constexpr double kCpuShareTarget = 0.02;

struct Options {
    int runs = 11;
    std::string sim = TQ9000_SIM;
};

struct Simulator {
    pid_t pid = -1;
    std::string path;
};

struct Sample {
    double wallMs;
    double cpuMs;
};

double NowMs(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

// Starts tq9000-sim without a command: it prints its terminal's path and serves until stopped.
bool StartSimulator(const std::string& program, Simulator& sim) {
    int out[2];
    if (pipe(out) != 0) {
        return false;
    }
    sim.pid = fork();
    if (sim.pid == 0) {
        dup2(out[1], STDOUT_FILENO);
        close(out[0]);
        execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(out[1]);
    char c = 0;
    while (read(out[0], &c, 1) == 1 && c != '\n') {
        sim.path += c;
    }
    close(out[0]);
    return sim.pid > 0 && !sim.path.empty();
}

// Stops the simulator this program started, and gives the processor time it used.
double StopSimulator(const Simulator& sim) {
    kill(sim.pid, SIGTERM);
    int status = 0;
    rusage usage{};  // of that child alone, not of whatever ran before an exec into this program
    wait4(sim.pid, &status, 0, &usage);
    return usage.ru_utime.tv_sec * 1000.0 + usage.ru_utime.tv_usec / 1000.0 +
           usage.ru_stime.tv_sec * 1000.0 + usage.ru_stime.tv_usec / 1000.0;
}

Sample TimeOnce(const std::function<void()>& command) {
    const double wall = NowMs(CLOCK_MONOTONIC);
    const double cpu = NowMs(CLOCK_PROCESS_CPUTIME_ID);
    command();
    return {NowMs(CLOCK_MONOTONIC) - wall, NowMs(CLOCK_PROCESS_CPUTIME_ID) - cpu};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Summary {
    double wallMedian, wallMin, wallMax, cpuMedian;
};

Summary Summarise(const std::vector<Sample>& samples) {
    std::vector<double> wall;
    std::vector<double> cpu;
    for (const Sample& sample : samples) {
        wall.push_back(sample.wallMs);
        cpu.push_back(sample.cpuMs);
    }
    return {Median(wall), *std::min_element(wall.begin(), wall.end()),
            *std::max_element(wall.begin(), wall.end()), Median(cpu)};
}

const char* Met(bool met) {
    return met ? "yes" : "NO";
}

void PrintRow(const char* name, const Summary& s, const char* ratio, bool wallMet) {
    const double share = s.cpuMedian / s.wallMedian;
    std::printf("| %-9s | %9.2f | %9.2f | %9.2f | %-5s | %8.3f | %6.2f %% | %-7s | %-6s |\n", name,
                s.wallMedian, s.wallMin, s.wallMax, ratio, s.cpuMedian, share * 100, Met(wallMet),
                Met(share <= kCpuShareTarget));
}

void PrintTable(int runs, const Summary& read, const Summary& write) {
    std::printf("%d runs of each command, times in ms (medians unless marked)\n\n", runs);
    std::printf(
        "| command   | wall      | wall min  | wall max  | ratio | cpu      | cpu/wall "
        "| wall ok | cpu ok |\n");
    std::printf(
        "|-----------|-----------|-----------|-----------|-------|----------|----------"
        "|---------|--------|\n");
    const double ratio = read.wallMedian / kReadAllFloorMs;
    char ratioText[16];
    std::snprintf(ratioText, sizeof ratioText, "%.3f", ratio);
    PrintRow("Read All", read, ratioText, ratio <= kReadAllRatioTarget);
    PrintRow("Write All", write, "-", write.wallMedian < kWriteAllTargetMs);
    std::printf(
        "\ntargets: Read All ratio to its %.0f ms floor <= %.2f; Write All < %.0f ms; "
        "cpu <= %.0f %% of wall\n",
        kReadAllFloorMs, kReadAllRatioTarget, kWriteAllTargetMs, kCpuShareTarget * 100);
    // Write All never waits (no pauses, no replies), so its processor time is most of its wall
    // time however small both are; over a Read All and a Write All together the share is small.
    std::printf("Read All + Write All together: cpu %.3f ms of %.2f ms wall (%.2f %%)\n",
                read.cpuMedian + write.cpuMedian, read.wallMedian + write.wallMedian,
                100 * (read.cpuMedian + write.cpuMedian) / (read.wallMedian + write.wallMedian));
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--runs" && i + 1 < argc) {
            options.runs = std::max(1, std::atoi(argv[++i]));
        } else if (arg == "--sim" && i + 1 < argc) {
            options.sim = argv[++i];
        } else {
            std::fprintf(stderr, "usage: tq9000-bench [--runs N] [--sim PATH-TO-tq9000-sim]\n");
            return false;
        }
    }
    return true;
}

// Alternates the two commands so that both see the same conditions over the run.
bool RunCommands(int runs, std::vector<Sample>& reads, std::vector<Sample>& writes) {
    tq::RecordingSink boxes;
    tq::ScopedMessageSink installed(&boxes);
    tq::HeadlessForm form;
    tq::PrinterLink link;
    tq::AddConfigFormControls(form);
    tq::StartUpForm(form, link);
    boxes.boxes.clear();  // the start-up notice
    for (int run = 0; run < runs; ++run) {
        reads.push_back(TimeOnce([&] { tq::OnReadAll(form, link); }));
        writes.push_back(TimeOnce([&] { tq::OnWriteAll(form, link); }));
    }
    for (const tq::MessageBoxEvent& box : boxes.boxes) {
        std::fprintf(stderr, "tq9000-bench: %s: %s\n", box.caption.c_str(), box.text.c_str());
    }
    return boxes.boxes.empty();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        return 2;
    }
    Simulator sim;
    if (!StartSimulator(options.sim, sim)) {
        std::fprintf(stderr, "tq9000-bench: cannot start %s\n", options.sim.c_str());
        return 1;
    }
    setenv("TQ9000_COM1", sim.path.c_str(), 1);
    std::vector<Sample> reads;
    std::vector<Sample> writes;
    const bool clean = RunCommands(options.runs, reads, writes);
    const double simCpuMs = StopSimulator(sim);
    if (!clean) {
        std::fprintf(stderr, "tq9000-bench: a command reported a failure; no timings\n");
        return 1;
    }
    PrintTable(options.runs, Summarise(reads), Summarise(writes));
    std::printf("simulator: %.1f ms of processor time in all, %.3f ms per command\n", simCpuMs,
                simCpuMs / (2.0 * options.runs));
    return 0;
}
