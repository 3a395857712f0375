// Interruptions on Windows: the console runs its control handlers on a thread of their own. While
// an interruption is deferred, ours records it and keeps that thread waiting (for a closing
// console the system ends the process as soon as the handler returns, and gives it some seconds
// first: more than a Write All takes); when the deferred work is done, the main thread ends the
// process with the status Ctrl+C gives, STATUS_CONTROL_C_EXIT. Otherwise the handler declines
// and the system's default ends the process as usual. A broken pipe raises no signal here.
#include "platform/ProcessSignals.h"

#include <windows.h>

#include <mutex>

namespace tq {

namespace {

constexpr UINT kControlCExit = 0xC000013A;  // STATUS_CONTROL_C_EXIT

// The handler runs on the console's thread, so the state it shares with the main thread is the
// process's own.
std::mutex g_mutex;
unsigned g_depth = 0;
bool g_pending = false;

BOOL WINAPI OnConsoleControl(DWORD /*event*/) {
    {
        std::lock_guard lock(g_mutex);
        if (g_depth == 0) {
            return FALSE;
        }
        g_pending = true;
    }
    Sleep(INFINITE);  // the main thread ends the process
    return TRUE;
}

}  // namespace

void TakeChargeOfSignals() {
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

InterruptionsDeferred::InterruptionsDeferred() {
    std::lock_guard lock(g_mutex);
    deferredBefore_ = g_depth++;
}

InterruptionsDeferred::~InterruptionsDeferred() {
    std::unique_lock lock(g_mutex);
    if (--g_depth == 0 && g_pending) {
        lock.unlock();
        ExitProcess(kControlCExit);
    }
}

}  // namespace tq
