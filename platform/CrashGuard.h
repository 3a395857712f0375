// What a program does when it crashes. Every program calls InstallCrashGuard first thing in its
// entry point. On Windows an unhandled exception (an access violation, a stack overflow, an
// uncaught C++ exception) would otherwise bring up the error-reporting dialog or a debugger, and
// under Wine can even end the process with status 0; guarded, the process writes exactly one line
// to standard error, "<program>: crashed: <what>", and ends at once with a non-zero code, with
// no dialog. On POSIX the kernel already ends a crashing process by a signal that every shell and
// CTest report as a failure, so there is nothing to install.
#pragma once

namespace tq {

// `programName` heads the line ("tq9000ctl"); it is copied, so a temporary will do.
void InstallCrashGuard(const char* programName);

}  // namespace tq
