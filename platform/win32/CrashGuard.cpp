// The crash guard on Windows: the system's error modes keep every error dialog away, a top-level
// exception filter catches what no handler took (SEH: access violations, stack overflow, ...),
// and a terminate handler catches C++ exceptions that left main() or a thread. Each writes one
// line to standard error with WriteFile (the C runtime's locks and buffers may be what broke) and
// ends the process with TerminateProcess, before the system can start a debugger or, under Wine,
// winedbg, which has been seen to let the process end with status 0.
#include "platform/CrashGuard.h"

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <exception>

namespace tq {
namespace {

// Room for the line even on an overflowed stack: the system leaves this much to the filter.
constexpr ULONG kStackKeptForTheFilter = 64 * 1024;

// Ends an uncaught C++ exception; the code the system gives a program that asked to be ended
// abnormally.
constexpr UINT kUncaughtExceptionExitCode = 0x40000015;  // STATUS_FATAL_APP_EXIT

char programName[64] = "program";

struct ExceptionNaming {
    DWORD code;
    const char* name;
};

constexpr ExceptionNaming kExceptionNames[] = {
    {EXCEPTION_ACCESS_VIOLATION, "access violation"},
    {EXCEPTION_STACK_OVERFLOW, "stack overflow"},
    {EXCEPTION_ILLEGAL_INSTRUCTION, "illegal instruction"},
    {EXCEPTION_PRIV_INSTRUCTION, "privileged instruction"},
    {EXCEPTION_INT_DIVIDE_BY_ZERO, "integer division by zero"},
    {EXCEPTION_INT_OVERFLOW, "integer overflow"},
    {EXCEPTION_ARRAY_BOUNDS_EXCEEDED, "array bounds exceeded"},
    {EXCEPTION_DATATYPE_MISALIGNMENT, "misaligned data"},
    {EXCEPTION_IN_PAGE_ERROR, "page could not be read in"},
    {EXCEPTION_BREAKPOINT, "breakpoint"},
    {EXCEPTION_NONCONTINUABLE_EXCEPTION, "non-continuable exception"},
};

const char* ExceptionName(DWORD code) {
    for (const ExceptionNaming& naming : kExceptionNames) {
        if (naming.code == code) {
            return naming.name;
        }
    }
    return "unhandled exception";
}

// The process's exit code is the exception's code, as Windows itself reports a crash. Wine hands
// only its low byte to a Linux parent, so a code ending in 0x00 (none of the system's own does)
// has its low byte set, lest the crash read as success there.
UINT ExitCodeFor(DWORD exceptionCode) {
    return (exceptionCode & 0xFFu) != 0 ? exceptionCode : (exceptionCode | 0xFFu);
}

// Writes `text` and a line end (CRLF, as the C runtime writes text to a console or a pipe).
void WriteLineToStandardError(const char* text) {
    const HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE) {
        return;  // a windowed program started without a console: nobody to tell
    }
    DWORD written = 0;
    WriteFile(error, text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
    WriteFile(error, "\r\n", 2, &written, nullptr);
}

[[noreturn]] void EndProcess(UINT exitCode) {
    TerminateProcess(GetCurrentProcess(), exitCode);
    ExitProcess(exitCode);  // not reached: TerminateProcess on itself does not return
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
    const EXCEPTION_RECORD& record = *exception->ExceptionRecord;
    char line[256];
    std::snprintf(
        line, sizeof line, "%s: crashed: %s (exception 0x%08lX at 0x%016llX)", programName,
        ExceptionName(record.ExceptionCode), record.ExceptionCode,
        static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(record.ExceptionAddress)));
    WriteLineToStandardError(line);
    EndProcess(ExitCodeFor(record.ExceptionCode));
}

// One line whatever the exception's text holds: line ends become spaces, and it is cut short.
void AppendOneLine(char* line, size_t size, const char* text) {
    size_t length = std::strlen(line);
    for (; *text != '\0' && length + 1 < size; ++text) {
        line[length++] = (*text == '\r' || *text == '\n') ? ' ' : *text;
    }
    line[length] = '\0';
}

[[noreturn]] void OnTerminate() {
    char line[512];
    std::snprintf(line, sizeof line, "%s: crashed: ", programName);
    if (const std::exception_ptr current = std::current_exception(); current == nullptr) {
        AppendOneLine(line, sizeof line, "terminate called without an active exception");
    } else {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& error) {
            AppendOneLine(line, sizeof line, "uncaught exception: ");
            AppendOneLine(line, sizeof line, error.what());
        } catch (...) {
            AppendOneLine(line, sizeof line, "uncaught exception of an unknown type");
        }
    }
    WriteLineToStandardError(line);
    EndProcess(kUncaughtExceptionExitCode);
}

}  // namespace

void InstallCrashGuard(const char* name) {
    std::snprintf(programName, sizeof programName, "%s", name);
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
    ULONG stackKept = kStackKeptForTheFilter;
    SetThreadStackGuarantee(&stackKept);
    SetUnhandledExceptionFilter(OnUnhandledException);
    std::set_terminate(OnTerminate);
}

}  // namespace tq
