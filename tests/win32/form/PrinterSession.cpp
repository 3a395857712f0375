#include "tests/win32/form/PrinterSession.h"

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/win32/Win32Api.h"

namespace tq::test {

namespace {

constexpr auto kStartPatience = std::chrono::seconds(15);

// Wine shows the Unix file system as drive Z:.
std::string WindowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    return path;
}

bool Exists(const std::string& windowsPath) {
    return GetFileAttributesA(windowsPath.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool WaitForFile(const std::string& windowsPath) {
    const auto deadline = std::chrono::steady_clock::now() + kStartPatience;
    while (!Exists(windowsPath)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string ReadFile(const std::string& windowsPath) {
    std::ifstream in(windowsPath, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Where this prefix's COM1: leads: the link that sessions re-point.
std::string Com1Link() {
    char value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Wine\\Ports", "COM1", RRF_RT_REG_SZ, nullptr,
                     value, &size) != ERROR_SUCCESS) {
        return {};
    }
    return value;
}

// Wine hands out the same few process ids run after run: the start time tells runs apart, so that
// what a run that died left behind is never taken for a session of this one.
std::string UniqueDir() {
    static const std::string run =
        std::to_string(GetCurrentProcessId()) + "-" + std::to_string(GetTickCount64());
    static int sessions = 0;
    return "/tmp/tq9000-winform-" + run + "-" + std::to_string(++sessions);
}

}  // namespace

std::string PrinterSessionsUnavailable() {
    if (!Exists(WindowsPath(TQ_HOST_SIM))) {
        return std::string("no Linux tq9000-sim at ") + TQ_HOST_SIM +
               " (build the debug preset's, or configure with -DTQ_HOST_SIM=...)";
    }
    if (Com1Link().empty()) {
        return "COM1: is not mapped in this Wine prefix (tests/wine/prepare-prefix.sh)";
    }
    return {};
}

PrinterSession::PrinterSession(const std::vector<std::string>& simulatorOptions, Line line)
    : unixDir_(UniqueDir()) {
    if (!PrinterSessionsUnavailable().empty() ||
        !CreateDirectoryA(WindowsPath(unixDir_).c_str(), nullptr)) {
        return;
    }
    const std::string link = line == Line::Com1 ? Com1Link() : unixDir_ + "/line";
    std::string command =
        std::string(TQ_PRINTER_SESSION) + " " + TQ_HOST_SIM + " " + unixDir_ + " " + link;
    for (const std::string& option : simulatorOptions) {
        command += " " + option;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        return;
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    ready_ = WaitForFile(Path("ready"));
}

PrinterSession::~PrinterSession() {
    End();
    for (const char* name : {"ready", "done", "state", "printed", "log", "ended"}) {
        DeleteFileA(Path(name).c_str());
    }
    RemoveDirectoryA(WindowsPath(unixDir_).c_str());
}

std::string PrinterSession::Path(const char* name) const {
    return WindowsPath(unixDir_ + "/" + name);
}

PrinterSession::Outcome PrinterSession::End() {
    Outcome outcome;
    if (!ready_ || ended_) {
        return outcome;
    }
    ended_ = true;
    std::ofstream(Path("done")).put('\n');
    outcome.ended = WaitForFile(Path("ended"));
    std::istringstream state(ReadFile(Path("state")));
    int id = 0;
    int value = 0;
    while (state >> id >> value) {
        outcome.features[id] = value;
    }
    outcome.printed = ReadFile(Path("printed"));
    outcome.log = ReadFile(Path("log"));
    return outcome;
}

}  // namespace tq::test
