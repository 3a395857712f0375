// tq9000-list-bench: how long `tq9000ctl list` takes on a machine with many tty devices (the
// target: under 20 ms with 1,000). Nothing is asserted: it reports.
//
//   tq9000-list-bench [--ttys N] [--runs N]
//       1. times the serial-port listing on a synthetic /sys and /dev tree of N tty devices
//          (1,000 by default) in a temporary folder, shaped like a large serial installation:
//          64 virtual terminals, the 32 UART slots of a PC with one UART behind them, and
//          USB-serial adapters for the rest, each with its stable name in /dev/serial/by-id;
//       2. times the listing `list` makes (USB printers and serial ports) on this machine's own
//          /sys, and whole runs of `tq9000ctl list`.
//   umockdev-wrapper tq9000-list-bench --umockdev [--ttys N] [--runs N]
//       times the same two on a umockdev test bed of N tty devices and three USB printers. The
//       preload diverts every file access, so these figures are an upper bound.
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <umockdev.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/posix/SysfsSerialPorts.h"

namespace {

constexpr double kTargetMs = 20.0;

struct Options {
    int ttys = 1000;
    int runs = 21;
    bool umockdev = false;
    std::string ctl = TQ9000_CTL;
};

double MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
}

void Report(const std::string& what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const double median = times[times.size() / 2];
    std::printf("%-46s median %7.2f ms, largest %7.2f ms, %zu runs  (%s)\n", what.c_str(), median,
                times.back(), times.size(), median < kTargetMs ? "under 20 ms" : "NOT under 20 ms");
}

std::vector<double> Time(int runs, const std::function<void()>& call) {
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const double start = MonotonicMs();
        call();
        times.push_back(MonotonicMs() - start);
    }
    return times;
}

// --- The synthetic tree ----------------------------------------------------------------------

void Make(const std::string& path, bool folder, const std::string& content = "") {
    if (folder) {
        ::mkdir(path.c_str(), 0755);
        return;
    }
    if (FILE* file = std::fopen(path.c_str(), "w")) {
        std::fputs(content.c_str(), file);
        std::fclose(file);
    }
}

// A tree with a link missing would time another listing than the one asked for.
void Link(const std::string& target, const std::string& path) {
    if (::symlink(target.c_str(), path.c_str()) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
}

void MakePath(const std::string& path) {
    for (std::size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1)) {
        Make(path.substr(0, slash), true);
    }
    Make(path, true);
}

// A tty at sys/<device>/tty/<name>, its class link, and, for a UART slot, its type.
void AddSyntheticTty(const std::string& root, const std::string& device, const std::string& name,
                     const char* type) {
    const std::string folder = root + "/sys/" + device + "/tty/" + name;
    MakePath(folder);
    Make(folder + "/uevent", false, "MAJOR=4\nDEVNAME=" + name + "\n");
    if (type != nullptr) {
        Make(folder + "/type", false, std::string(type) + "\n");
    }
    Link("../../" + device + "/tty/" + name, root + "/sys/class/tty/" + name);
}

// On /dev/shm when there is one: sysfs, like tmpfs, lives in memory, where a tree on a disk's file
// system would make every lookup cost what sysfs's never do.
std::string BuildSyntheticTree(int ttys) {
    struct stat shm {};
    std::string folder =
        ::stat("/dev/shm", &shm) == 0 && S_ISDIR(shm.st_mode) ? "/dev/shm" : "/tmp";
    folder += "/tq9000-list-bench-XXXXXX";
    const std::string root = ::mkdtemp(folder.data());
    MakePath(root + "/sys/class/tty");
    MakePath(root + "/dev/serial/by-id");
    for (int i = 0; i < 64 && ttys > 0; ++i, --ttys) {
        AddSyntheticTty(root, "devices/virtual", "tty" + std::to_string(i), nullptr);
    }
    for (int i = 0; i < 32 && ttys > 0; ++i, --ttys) {
        AddSyntheticTty(root, "devices/platform/serial8250", "ttyS" + std::to_string(i),
                        i == 0 ? "4" : "0");
    }
    for (int i = 0; ttys > 0; ++i, --ttys) {
        const std::string name = "ttyUSB" + std::to_string(i);
        AddSyntheticTty(root, "devices/pci0000:00/usb1/1-" + std::to_string(i + 1), name, nullptr);
        Link("../../" + name,
             root + "/dev/serial/by-id/usb-FTDI_FT232R_" + std::to_string(i) + "-if00-port0");
    }
    return root;
}

void TimeSyntheticTree(const Options& options) {
    const std::string root = BuildSyntheticTree(options.ttys);
    const auto ports = tq::posix::ListSerialPorts(root + "/sys", root + "/dev");
    std::printf("synthetic tree of %d tty devices in %s: %zu serial ports\n", options.ttys,
                root.c_str(), ports ? ports->size() : 0);
    Report("serial-port listing, synthetic tree", Time(options.runs, [&root] {
               tq::posix::ListSerialPorts(root + "/sys", root + "/dev");
           }));
    const std::string remove = "rm -rf '" + root + "'";
    if (std::system(remove.c_str()) != 0) {
        std::fprintf(stderr, "could not remove %s\n", root.c_str());
    }
}

// --- The umockdev test bed -------------------------------------------------------------------

void AddDevice(UMockdevTestbed* testbed, const std::string& text) {
    GError* error = nullptr;
    if (!umockdev_testbed_add_from_string(testbed, text.c_str(), &error)) {
        std::fprintf(stderr, "test bed: %s\n", error != nullptr ? error->message : "?");
        std::exit(1);
    }
}

std::string Tty(const std::string& path, const std::string& name, const std::string& extra) {
    return "P: " + path + "\nE: SUBSYSTEM=tty\nE: DEVNAME=/dev/" + name + "\n" + extra + "\n";
}

void AddTestBedPrinters(UMockdevTestbed* testbed) {
    for (int i = 0; i < 3; ++i) {
        const std::string n = std::to_string(i + 1);
        const std::string usb = "/devices/pci0000:00/usb2/2-" + n;
        AddDevice(testbed, "P: " + usb + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\nA: serial=P" +
                               n + "\n");
        AddDevice(testbed, "P: " + usb + "/2-" + n +
                               ":1.0\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_interface\n"
                               "A: bInterfaceClass=07\nA: ieee1284_id=MFG:Brenlow;MDL:TQ9000;\n");
        AddDevice(testbed, "P: " + usb + "/2-" + n + ":1.0/usbmisc/lp" + std::to_string(i) +
                               "\nE: SUBSYSTEM=usbmisc\nE: DEVNAME=/dev/usb/lp" +
                               std::to_string(i) + "\n");
    }
}

// The same shape as the synthetic tree, plus three USB printers.
void BuildTestBed(UMockdevTestbed* testbed, int ttys) {
    for (int i = 0; i < 64 && ttys > 0; ++i, --ttys) {
        const std::string name = "tty" + std::to_string(i);
        AddDevice(testbed, Tty("/devices/virtual/tty/" + name, name, ""));
    }
    AddDevice(testbed, "P: /devices/platform/serial8250\nE: SUBSYSTEM=platform\n");
    for (int i = 0; i < 32 && ttys > 0; ++i, --ttys) {
        const std::string name = "ttyS" + std::to_string(i);
        AddDevice(testbed, Tty("/devices/platform/serial8250/tty/" + name, name,
                               i == 0 ? "A: type=4" : "A: type=0"));
    }
    for (int i = 0; ttys > 0; ++i, --ttys) {
        const std::string usb = "/devices/pci0000:00/usb1/1-" + std::to_string(i + 1);
        const std::string name = "ttyUSB" + std::to_string(i);
        AddDevice(testbed, "P: " + usb + "\nE: SUBSYSTEM=usb\nE: DEVTYPE=usb_device\n");
        AddDevice(testbed, Tty(usb + "/" + name, name, ""));
    }
    AddTestBedPrinters(testbed);
}

// --- The listing `list` makes, in this process and as a program -------------------------------

std::pair<std::size_t, std::size_t> ListOnce() {
    std::vector<tq::SerialPortDescription> ports;
    std::vector<tq::UsbPrinterDescription> printers;
    if (!tq::os::ListUsbPrinters(&printers) || !tq::os::ListSerialPorts(&ports)) {
        std::fprintf(stderr, "listing failed: error %u\n", tq::os::GetLastError());
        std::exit(1);
    }
    return {ports.size(), printers.size()};
}

void RunProgramOnce(const std::string& ctl) {
    std::fflush(nullptr);  // or the child would write this process's pending output again
    const pid_t pid = fork();
    if (pid == 0) {
        if (std::freopen("/dev/null", "w", stdout) == nullptr) {
            _exit(127);
        }
        execl(ctl.c_str(), ctl.c_str(), "list", static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "%s list failed\n", ctl.c_str());
        std::exit(1);
    }
}

void TimeListing(const Options& options, const std::string& where) {
    const auto [ports, printers] = ListOnce();
    std::printf("%s: %zu serial ports, %zu USB printers\n", where.c_str(), ports, printers);
    Report("listing of `list`, in process, " + where, Time(options.runs, [] { ListOnce(); }));
    Report("tq9000ctl list, whole process, " + where,
           Time(options.runs, [&options] { RunProgramOnce(options.ctl); }));
}

bool ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--umockdev") {
            options.umockdev = true;
        } else if (arg == "--ttys" && i + 1 < argc) {
            options.ttys = std::max(0, std::atoi(argv[++i]));
        } else if (arg == "--runs" && i + 1 < argc) {
            options.runs = std::max(1, std::atoi(argv[++i]));
        } else {
            std::fprintf(stderr,
                         "usage: tq9000-list-bench [--ttys N] [--runs N]\n"
                         "       umockdev-wrapper tq9000-list-bench --umockdev [--ttys N] "
                         "[--runs N]\n");
            return false;
        }
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseOptions(argc, argv, options)) {
        return 2;
    }
    if (!options.umockdev) {
        TimeSyntheticTree(options);
        TimeListing(options, "this machine");
        return 0;
    }
    UMockdevTestbed* testbed = umockdev_testbed_new();
    if (!umockdev_in_mock_environment()) {
        std::fprintf(stderr, "--umockdev: run under umockdev-wrapper\n");
        return 2;
    }
    BuildTestBed(testbed, options.ttys);
    TimeListing(options, "umockdev test bed");
    g_object_unref(testbed);
    return 0;
}
