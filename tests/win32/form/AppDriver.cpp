#include "tests/win32/form/AppDriver.h"

#include <thread>
#include <vector>

#include "app/win32/ConfigApp.h"
#include "app/win32/ConfigForm.h"
#include "framework/ControlIds.h"

namespace tq::test {

namespace {

constexpr auto kPoll = std::chrono::milliseconds(20);
// The message box's text is the static control with this id, as the system builds the box.
constexpr int kBoxTextId = 0xFFFF;

BOOL CALLBACK CollectDialog(HWND window, LPARAM found) {
    if (ClassName(window) == "#32770") {
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    }
    return TRUE;
}

bool IsForm(HWND dialog) {
    return GetDlgItem(dialog, IDC_READ_ALL) != nullptr;
}

}  // namespace

std::string WindowText(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

std::string ClassName(HWND window) {
    char name[128] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

int AppDriver::RunApp(const std::function<void(AppDriver&)>& script) {
    appThread_ = GetCurrentThreadId();
    std::thread user([this, &script] {
        script(*this);
        CloseWhatIsOpen();
    });
    const int status = RunConfigApp(GetModuleHandleA(nullptr), nullptr,
                                    [this](CConfigForm& form) { link_ = &form.Link(); });
    user.join();
    link_ = nullptr;
    return status;
}

std::vector<HWND> AppDriver::Dialogs() const {
    std::vector<HWND> found;
    EnumThreadWindows(appThread_, CollectDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

bool AppDriver::WaitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return true;
}

HWND AppDriver::WaitForForm() {
    HWND form = nullptr;
    WaitUntil([&] {
        for (HWND dialog : Dialogs()) {
            if (IsForm(dialog) && IsWindowVisible(dialog)) {
                form = dialog;
            }
        }
        return form != nullptr;
    });
    return form;
}

HWND AppDriver::WaitForDialog(const std::string& caption) {
    HWND box = nullptr;
    WaitUntil([&] {
        for (HWND dialog : Dialogs()) {
            if (!IsForm(dialog) && IsWindowVisible(dialog) && WindowText(dialog) == caption) {
                box = dialog;
            }
        }
        return box != nullptr;
    });
    return box;
}

// Messages posted to one thread are taken in order, so a marker posted after the input is taken
// after it. The marker is a text limit for the version field, which nobody types into.
void AppDriver::WaitUntilHandled(HWND form) {
    static WPARAM marker = 0x7000;
    ++marker;
    PostMessageA(GetDlgItem(form, IDC_VERSION), EM_SETLIMITTEXT, marker, 0);
    WaitUntil([form] {
        return !IsWindow(form) || static_cast<WPARAM>(SendDlgItemMessageA(
                                      form, IDC_VERSION, EM_GETLIMITTEXT, 0, 0)) == marker;
    });
}

std::string AppDriver::BoxText(HWND box) {
    return WindowText(GetDlgItem(box, kBoxTextId));
}

void AppDriver::Dismiss(HWND box) {
    PostMessageA(box, WM_COMMAND, IDOK, 0);
}

void AppDriver::Click(HWND dialog, int id) {
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

HWND AppDriver::Focus() const {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(appThread_, &info) ? info.hwndFocus : nullptr;
}

// Keys go to the focused control through the program's queue, where the dialog manager's
// IsDialogMessage turns Enter and Escape into the dialog's commands.
void AppDriver::PressKey(WORD key) {
    const HWND focus = Focus();
    if (focus == nullptr) {
        return;
    }
    PostMessageA(focus, WM_KEYDOWN, key, 1);
    PostMessageA(focus, WM_KEYUP, key, 0xC0000001);
}

// Boxes first, then the form, as a user would; the form's "EXIT" is IDCANCEL.
void AppDriver::CloseWhatIsOpen() {
    WaitUntil([this] {
        const std::vector<HWND> open = Dialogs();
        for (HWND dialog : open) {
            if (IsWindowEnabled(dialog)) {
                PostMessageA(dialog, WM_COMMAND, IsForm(dialog) ? IDCANCEL : IDOK, 0);
            }
        }
        return open.empty();
    });
}

}  // namespace tq::test
