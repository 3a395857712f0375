// tq9000-sim: serves the simulated printer on a pseudo-terminal. The host program opens the
// terminal's slave side as its COM1: (TQ9000_COM1); every byte it writes reaches the model at
// once, and the model's replies go back at the time their fault knobs say. The loop waits in poll()
// on the master and never sleeps, so a reply leaves well within the host's 10 ms read deadline.
// A hang-up closes both sides of the terminal: the host's reads and writes then fail as on a line
// whose device is gone, and the simulator goes on only to wait for its command.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <deque>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/Platform.h"
#include "platform/StandardDescriptors.h"
#include "sim/PrinterModel.h"
#include "sim/SimOptions.h"
#include "sim/StateFile.h"

namespace tq::sim {

namespace {

int g_wakePipe[2] = {-1, -1};

// SIGCHLD, SIGINT and SIGTERM only wake the loop; it does the work outside the handler.
void WakeLoop(int) {
    const int saved = errno;
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = write(g_wakePipe[1], &byte, 1);
    errno = saved;
}

std::int64_t NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::int64_t{now.tv_sec} * 1000 + now.tv_nsec / 1000000;
}

struct Pty {
    int master = -1;
    // Held for the simulator's whole life: with no slave open, reading the master fails with EIO
    // between two commands of the host.
    int slave = -1;
    std::string path;
};

void MakeRaw(int fd) {
    termios settings{};
    if (tcgetattr(fd, &settings) == 0) {
        cfmakeraw(&settings);
        tcsetattr(fd, TCSANOW, &settings);
    }
}

bool OpenPty(Pty& pty) {
    pty.master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty.master < 0 || grantpt(pty.master) != 0 || unlockpt(pty.master) != 0) {
        return false;
    }
    char name[256];
    if (ptsname_r(pty.master, name, sizeof name) != 0) {
        return false;
    }
    pty.path = name;
    pty.slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (pty.slave < 0) {
        return false;
    }
    MakeRaw(pty.slave);
    MakeRaw(pty.master);
    fcntl(pty.master, F_SETFL, fcntl(pty.master, F_GETFL) | O_NONBLOCK);
    return true;
}

bool InstallWakeSignals() {
    if (pipe2(g_wakePipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return false;
    }
    struct sigaction action {};
    action.sa_handler = WakeLoop;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART | SA_NOCLDSTOP;
    return sigaction(SIGCHLD, &action, nullptr) == 0 && sigaction(SIGINT, &action, nullptr) == 0 &&
           sigaction(SIGTERM, &action, nullptr) == 0;
}

pid_t SpawnCommand(const std::vector<std::string>& command, const std::string& portPath) {
    const pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    setenv(ComPortVariable(kPrinterPortNumber).c_str(), portPath.c_str(), 1);
    std::vector<char*> argv;
    for (const std::string& arg : command) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    std::fprintf(stderr, "tq9000-sim: cannot run %s: %s\n", argv[0], std::strerror(errno));
    _exit(127);
}

struct Outgoing {
    std::int64_t due;
    std::vector<std::uint8_t> bytes;
};

class Server {
public:
    Server(PrinterModel& model, Pty& pty) : model_(model), pty_(pty) {}

    // Serves until the child exits (its exit status) or, with no child, until interrupted (0).
    int Run(pid_t child);

private:
    void TakeInput();
    void SendDue();
    std::size_t Budget(std::size_t wanted) const;
    void HangUp();
    int PollTimeout() const;
    bool ChildEnded(pid_t child, int& status);

    PrinterModel& model_;
    Pty& pty_;
    std::deque<Outgoing> outgoing_;
    std::size_t passedBytes_ = 0;
    bool interrupted_ = false;
};

// Each reply leaves after the model's delay; the pieces of a chunked reply leave a gap apart so
// that the host receives them as separate chunks. Replies keep their order.
void Server::TakeInput() {
    std::uint8_t buffer[4096];
    for (;;) {
        const ssize_t n = read(pty_.master, buffer, sizeof buffer);
        if (n <= 0) {
            return;
        }
        const std::size_t heard = Budget(static_cast<std::size_t>(n));
        passedBytes_ += heard;
        const std::int64_t now = NowMs();
        std::int64_t due = now + model_.faults.delayMs;
        for (auto& chunk : model_.Receive(std::span<const std::uint8_t>(buffer, heard))) {
            if (!outgoing_.empty() && outgoing_.back().due > due) {
                due = outgoing_.back().due;
            }
            outgoing_.push_back({due, std::move(chunk)});
            due += model_.faults.chunkGapMs;
        }
        if (heard < static_cast<std::size_t>(n)) {
            HangUp();
            return;
        }
    }
}

void Server::SendDue() {
    const std::int64_t now = NowMs();
    while (!outgoing_.empty() && outgoing_.front().due <= now) {
        std::vector<std::uint8_t>& bytes = outgoing_.front().bytes;
        const std::size_t budget = Budget(bytes.size());
        if (budget == 0) {
            HangUp();
            return;
        }
        const ssize_t n = write(pty_.master, bytes.data(), budget);
        if (n < 0) {
            return;  // the terminal's buffer is full: try again when it drains
        }
        passedBytes_ += static_cast<std::size_t>(n);
        bytes.erase(bytes.begin(), bytes.begin() + n);
        if (!bytes.empty()) {
            return;
        }
        outgoing_.pop_front();
    }
}

// How many of the wanted bytes may still pass, either way, before the line is to be hung up.
std::size_t Server::Budget(std::size_t wanted) const {
    const auto& limit = model_.faults.hangUpAfterBytes;
    if (!limit) {
        return wanted;
    }
    return *limit > passedBytes_ ? std::min(wanted, *limit - passedBytes_) : 0;
}

// Closing the slave as well leaves the host alone on its side, so it sees the hang-up; the
// terminal's node goes with the last descriptor, and a later open of it fails.
void Server::HangUp() {
    close(pty_.master);
    close(pty_.slave);
    pty_.master = -1;
    pty_.slave = -1;
    outgoing_.clear();
}

int Server::PollTimeout() const {
    if (outgoing_.empty()) {
        return -1;
    }
    const std::int64_t wait = outgoing_.front().due - NowMs();
    return wait > 0 ? static_cast<int>(wait) : 0;
}

bool Server::ChildEnded(pid_t child, int& status) {
    int raw = 0;
    if (child <= 0 || waitpid(child, &raw, WNOHANG) != child) {
        return false;
    }
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    return true;
}

int Server::Run(pid_t child) {
    int status = 0;
    for (;;) {
        const bool mustSend = !outgoing_.empty() && outgoing_.front().due <= NowMs();
        pollfd fds[2] = {{pty_.master, static_cast<short>(POLLIN | (mustSend ? POLLOUT : 0)), 0},
                         {g_wakePipe[0], POLLIN, 0}};
        if (poll(fds, 2, mustSend ? -1 : PollTimeout()) < 0 && errno != EINTR) {
            return 1;
        }
        if (fds[1].revents & POLLIN) {
            char drained[64];
            while (read(g_wakePipe[0], drained, sizeof drained) > 0) {
            }
            interrupted_ = child <= 0;
        }
        TakeInput();
        SendDue();
        if (ChildEnded(child, status)) {
            TakeInput();  // what the host wrote just before it ended still counts
            return status;
        }
        if (interrupted_) {
            return 0;
        }
    }
}

bool WriteStateFile(const PrinterModel& model, const std::string& path) {
    std::ofstream out(path);
    out << FormatState(model);
    return static_cast<bool>(out.flush());
}

// What the printer remembers from an earlier run, before the command line's own values. Empty, or
// why the file cannot be used; a file that is not there is a printer with its factory defaults.
std::string ReadStateFile(const std::string& path, PrinterModel& model) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return errno == ENOENT ? "" : std::strerror(errno);
    }
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) {
        return "cannot be read";
    }
    return LoadState(text.str(), model);
}

bool WritePrintLog(const PrinterModel& model, const std::string& path) {
    std::ofstream out(path, std::ios::binary);
    const auto& log = model.PrintLog();
    out.write(reinterpret_cast<const char*>(log.data()), static_cast<std::streamsize>(log.size()));
    return static_cast<bool>(out);
}

bool WriteExitFiles(const PrinterModel& model, const SimOptions& options) {
    bool ok = true;
    if (!options.stateFile.empty() && !WriteStateFile(model, options.stateFile)) {
        std::cerr << "tq9000-sim: cannot write " << options.stateFile << '\n';
        ok = false;
    }
    if (!options.printLogFile.empty() && !WritePrintLog(model, options.printLogFile)) {
        std::cerr << "tq9000-sim: cannot write " << options.printLogFile << '\n';
        ok = false;
    }
    return ok;
}

int Serve(const SimOptions& options) {
    PrinterModel model;
    if (!options.stateFile.empty()) {
        if (const std::string error = ReadStateFile(options.stateFile, model); !error.empty()) {
            std::cerr << "tq9000-sim: " << options.stateFile << ": " << error << '\n';
            return 1;
        }
    }
    ApplySimOptions(options, model);
    Pty pty;
    if (!InstallWakeSignals() || !OpenPty(pty)) {
        std::cerr << "tq9000-sim: cannot open a pseudo-terminal: " << std::strerror(errno) << '\n';
        return 1;
    }
    pid_t child = 0;
    if (options.command.empty()) {
        std::cout << pty.path << std::endl;
    } else {
        child = SpawnCommand(options.command, pty.path);
        if (child < 0) {
            std::cerr << "tq9000-sim: cannot fork: " << std::strerror(errno) << '\n';
            return 1;
        }
    }
    const int status = Server(model, pty).Run(child);
    const bool written = WriteExitFiles(model, options);
    return status != 0 ? status : (written ? 0 : 1);
}

}  // namespace

}  // namespace tq::sim

int main(int argc, char** argv) {
    // The terminal and the wake-up pipe must not take the place of a closed standard descriptor:
    // the command would then start without it, or the terminal's path be written into the pipe.
    if (!tq::OpenClosedStandardDescriptors()) {
        return 1;
    }
    std::string error;
    const auto options =
        tq::sim::ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc), error);
    if (!options) {
        std::cerr << "tq9000-sim: " << error << '\n' << tq::sim::kSimUsage;
        return 2;
    }
    if (options->help) {
        std::cout << tq::sim::kSimUsage;
        return 0;
    }
    return tq::sim::Serve(*options);
}
