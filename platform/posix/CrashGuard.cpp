// The crash guard on POSIX: a crashing process is already ended by its signal (SIGSEGV, SIGABRT
// from an uncaught exception), and its parent sees that as a failure, so nothing is installed.
#include "platform/CrashGuard.h"

namespace tq {

void InstallCrashGuard(const char* /*programName*/) {}

}  // namespace tq
