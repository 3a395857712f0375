#include "tests/integration/cli/RunProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <utility>

namespace tq::test {

namespace {

long long NowMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000LL + now.tv_nsec / 1000000;
}

pid_t Spawn(const std::vector<std::string>& argv, int outPipe[2], int errPipe[2]) {
    const pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    dup2(outPipe[1], STDOUT_FILENO);
    dup2(errPipe[1], STDERR_FILENO);
    close(outPipe[0]);
    close(errPipe[0]);
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

// Reads both pipes until both are closed or the deadline passes.
bool Collect(int outFd, int errFd, ProcessResult& result, long long deadline) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    int open = 2;
    while (open > 0) {
        const long long left = deadline - NowMs();
        if (left <= 0 || poll(fds, 2, static_cast<int>(left)) <= 0) {
            return false;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) {
                continue;
            }
            char buffer[4096];
            const ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<std::size_t>(n));
            } else {
                fds[i].fd = -1;
                --open;
            }
        }
    }
    return true;
}

std::string Environment(const char* name) {
    const char* value = ::getenv(name);
    return value != nullptr ? value : "";
}

// The Windows program sees COM1: through the prefix's link alone: TQ9000_COM1 means nothing to
// it, and is dropped so that nothing could quietly depend on it.
const std::string kPointCom1 =
    "ln -sfn \"$TQ9000_COM1\" \"$TQ9000_WINE_COM1\" || exit 127; unset TQ9000_COM1; ";
const std::string kPointCom1AndRun = kPointCom1 + "exec \"$@\"";

std::vector<std::string> CtlArgv(const std::vector<std::string>& ctlArgs) {
    std::vector<std::string> argv;
    if (UnderWine()) {
        argv = {Environment("TQ9000_WINE"), Environment("TQ9000_CTL_EXE")};
    } else {
        argv = {TQ9000_CTL};
    }
    argv.insert(argv.end(), ctlArgs.begin(), ctlArgs.end());
    return argv;
}

ProcessResult AsProgramText(ProcessResult result) {
    result.out = ProgramText(std::move(result.out));
    result.err = ProgramText(std::move(result.err));
    return result;
}

}  // namespace

ProcessResult RunProcess(const std::vector<std::string>& argv, int timeoutMs) {
    ProcessResult result;
    int outPipe[2];
    int errPipe[2];
    if (pipe(outPipe) != 0 || pipe(errPipe) != 0) {
        return result;
    }
    const pid_t pid = Spawn(argv, outPipe, errPipe);
    close(outPipe[1]);
    close(errPipe[1]);
    result.timedOut = !Collect(outPipe[0], errPipe[0], result, NowMs() + timeoutMs);
    if (result.timedOut) {
        kill(pid, SIGKILL);
    }
    int raw = 0;
    waitpid(pid, &raw, 0);
    result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    close(outPipe[0]);
    close(errPipe[0]);
    return result;
}

bool UnderWine() {
    return !Environment("TQ9000_CTL_EXE").empty();
}

ProcessResult RunCtl(const std::vector<std::string>& ctlArgs) {
    return AsProgramText(RunProcess(CtlArgv(ctlArgs)));
}

ProcessResult RunCtlWithCom1(const std::string& device, const std::vector<std::string>& ctlArgs) {
    std::vector<std::string> argv;
    if (UnderWine()) {
        argv = {"/bin/sh", "-c", kPointCom1AndRun, "tq9000ctl"};
    }
    const std::vector<std::string> ctl = CtlArgv(ctlArgs);
    argv.insert(argv.end(), ctl.begin(), ctl.end());
    ::setenv("TQ9000_COM1", device.c_str(), 1);
    ProcessResult result = RunProcess(argv);
    ::unsetenv("TQ9000_COM1");
    return AsProgramText(std::move(result));
}

ProcessResult RunAgainstSim(const std::vector<std::string>& simArgs,
                            const std::vector<std::string>& ctlArgs,
                            const std::string& ctlRedirection) {
    std::vector<std::string> argv = {TQ9000_SIM};
    argv.insert(argv.end(), simArgs.begin(), simArgs.end());
    argv.push_back("--");
    if (UnderWine()) {
        argv.insert(argv.end(),
                    {"/bin/sh", "-c", kPointCom1AndRun + (" " + ctlRedirection), "tq9000ctl"});
    } else if (!ctlRedirection.empty()) {
        argv.insert(argv.end(), {"/bin/sh", "-c", "exec \"$@\" " + ctlRedirection, "tq9000ctl"});
    }
    const std::vector<std::string> ctl = CtlArgv(ctlArgs);
    argv.insert(argv.end(), ctl.begin(), ctl.end());
    return AsProgramText(RunProcess(argv));
}

int StartProcess(const std::vector<std::string>& argv, int outFd, int errFd) {
    const pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    const int null = open("/dev/null", O_RDONLY);
    dup2(null, STDIN_FILENO);
    for (const auto& [from, to] : {std::pair{outFd, STDOUT_FILENO}, {errFd, STDERR_FILENO}}) {
        if (from < 0) {
            close(to);
        } else if (from != to) {
            dup2(from, to);
        }
    }
    closefrom(STDERR_FILENO + 1);  // a pipe's other end, kept here, would never see it closed
    std::vector<char*> args;
    for (const std::string& arg : argv) {
        args.push_back(const_cast<char*>(arg.c_str()));
    }
    args.push_back(nullptr);
    execv(args[0], args.data());
    _exit(127);
}

int WaitForProcess(int pid, int timeoutMs) {
    const long long deadline = NowMs() + timeoutMs;
    int raw = 0;
    while (waitpid(pid, &raw, WNOHANG) == 0) {
        if (NowMs() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &raw, 0);
            return -1;
        }
        usleep(5000);
    }
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
}

ProcessResult RunScriptAgainstSim(const std::vector<std::string>& simArgs,
                                  const std::string& script) {
    std::vector<std::string> argv = {TQ9000_SIM};
    argv.insert(argv.end(), simArgs.begin(), simArgs.end());
    argv.insert(argv.end(), {"--", "/bin/sh", "-c",
                             (UnderWine() ? kPointCom1 : std::string()) + script, "tq9000ctl"});
    const std::vector<std::string> ctl = CtlArgv({});
    argv.insert(argv.end(), ctl.begin(), ctl.end());
    return AsProgramText(RunProcess(argv));
}

std::string ReadProgramFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return ProgramText(std::string(std::istreambuf_iterator<char>(in), {}));
}

std::string ProgramText(std::string text) {
    if (!UnderWine()) {
        return text;
    }
    std::string lines;
    lines.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            lines.push_back(text[i]);
        }
    }
    return lines;
}

}  // namespace tq::test
