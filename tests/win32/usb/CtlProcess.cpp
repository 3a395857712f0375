#include "tests/win32/usb/CtlProcess.h"

#include <thread>

#include "app/win32/Win32Api.h"

namespace tq::test {

namespace {

constexpr DWORD kPatienceMs = 60000;

// A pipe whose write end the child inherits and whose read end only this process holds.
struct OutputPipe {
    HANDLE read = nullptr;
    HANDLE write = nullptr;
    std::string text;
    std::thread reader;

    bool Open() {
        SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
        return CreatePipe(&read, &write, &inherited, 0) &&
               SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
    }
    // Reads until the child's end closes.
    void Collect() {
        CloseHandle(write);
        write = nullptr;
        reader = std::thread([this] {
            char buffer[4096];
            DWORD got = 0;
            while (ReadFile(read, buffer, sizeof buffer, &got, nullptr) && got > 0) {
                text.append(buffer, got);
            }
        });
    }
    ~OutputPipe() {
        if (reader.joinable())
            reader.join();
        if (read != nullptr)
            CloseHandle(read);
        if (write != nullptr)
            CloseHandle(write);
    }
};

std::string WithoutCarriageReturns(const std::string& text) {
    std::string lines;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            lines.push_back(text[i]);
        }
    }
    return lines;
}

std::string CommandLine(const std::string& program, const std::vector<std::string>& args) {
    std::string line = "\"" + program + "\"";
    for (const std::string& arg : args) {
        line += arg.find_first_of(" \t") == std::string::npos ? " " + arg : " \"" + arg + "\"";
    }
    return line;
}

}  // namespace

std::string WindowsPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    for (char& c : path) {
        if (c == '/')
            c = '\\';
    }
    return path;
}

CtlResult RunCtl(const std::vector<std::string>& args) {
    CtlResult result;
    OutputPipe out;
    OutputPipe err;
    if (!out.Open() || !err.Open()) {
        return result;
    }
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE input = CreateFileA("NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                               OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input;
    startup.hStdOutput = out.write;
    startup.hStdError = err.write;
    const std::string program = WindowsPath(TQ_CTL_EXE);
    std::string line = CommandLine(program, args);
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(input);
    out.Collect();
    err.Collect();
    if (!started) {
        return result;
    }
    if (WaitForSingleObject(process.hProcess, kPatienceMs) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 255);
        WaitForSingleObject(process.hProcess, INFINITE);
    } else {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        result.status = static_cast<int>(code);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    out.reader.join();
    err.reader.join();
    result.out = WithoutCarriageReturns(out.text);
    result.err = WithoutCarriageReturns(err.text);
    return result;
}

}  // namespace tq::test
