// The Win32 form's start-up, for bench/win_form_startup.sh: runs the program's own form with every
// message box answered unseen (the start-up notice would otherwise wait for a person). It prints
// the wall-clock time as main() begins ("main <nanoseconds since the Unix epoch>") and once the
// form has first been painted ("first-paint <nanoseconds>"), and then closes the form.
#include <cstdio>

#include "app/win32/ConfigApp.h"
#include "app/win32/Win32Api.h"
#include "framework/ControlIds.h"
#include "framework/MessageBoxes.h"
#include "platform/CrashGuard.h"

namespace {

HHOOK g_hook = nullptr;
bool g_painted = false;

// 100-nanosecond intervals between 1601 and 1970.
constexpr unsigned long long kUnixEpochInFileTime = 116444736000000000ULL;

unsigned long long NowSinceUnixEpochNs() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    const unsigned long long ticks =
        (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return (ticks - kUnixEpochInFileTime) * 100;
}

constexpr UINT_PTR kPaintedTimer = 0x7A11;

// The form's first WM_PAINT starts a timer; the system generates WM_TIMER only once no paint is
// pending, so it comes when the form and every control have been drawn once (at most the
// timer's 10 ms minimum late).
LRESULT CALLBACK OnMessageTaken(int code, WPARAM wParam, LPARAM lParam) {
    const auto* message = reinterpret_cast<const MSG*>(lParam);
    if (code == HC_ACTION && wParam == PM_REMOVE && !g_painted &&
        GetDlgItem(message->hwnd, tq::IDC_READ_ALL) != nullptr) {
        if (message->message == WM_PAINT) {
            SetTimer(message->hwnd, kPaintedTimer, USER_TIMER_MINIMUM, nullptr);
        } else if (message->message == WM_TIMER && message->wParam == kPaintedTimer) {
            g_painted = true;
            std::printf("first-paint %llu\n", NowSinceUnixEpochNs());
            std::fflush(stdout);
            KillTimer(message->hwnd, kPaintedTimer);
            PostMessageA(message->hwnd, WM_COMMAND, IDCANCEL, 0);
        }
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}

}  // namespace

int main() {
    std::printf("main %llu\n", NowSinceUnixEpochNs());  // Wine's own start ends here
    tq::InstallCrashGuard("tq9000-form-start-bench");
    g_hook = SetWindowsHookExA(WH_GETMESSAGE, OnMessageTaken, nullptr, GetCurrentThreadId());
    tq::RecordingSink unseen;
    const int status = tq::RunConfigApp(GetModuleHandleA(nullptr), &unseen);
    UnhookWindowsHookEx(g_hook);
    return g_painted ? status : 1;
}
