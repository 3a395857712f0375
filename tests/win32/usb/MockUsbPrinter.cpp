#include "tests/win32/usb/MockUsbPrinter.h"

#include <chrono>
#include <cstring>
#include <utility>

#include "platform/Win32Types.h"
#include "tests/win32/usb/CtlProcess.h"
#include "tests/win32/usb/UsbPrinterHost.h"

namespace tq::test {

namespace {

constexpr auto kPatience = std::chrono::seconds(15);
constexpr DWORD kPatienceMs = std::chrono::milliseconds(kPatience).count();

std::string ToolCommandLine(const std::string& tool, const UsbPrinterIdentity& id,
                            const std::string& line) {
    return "\"" + tool + "\" --vendor " + id.vendorId + " --product " + id.productId +
           " --serial " + id.serial + " --location " + id.location + " \"" + line + "\"";
}

// The first line the process writes, without its line end; "" if it ends or says nothing in time.
std::string FirstLine(HANDLE output, HANDLE process) {
    std::string text;
    const auto deadline = std::chrono::steady_clock::now() + kPatience;
    while (text.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        DWORD waiting = 0;
        if (!PeekNamedPipe(output, nullptr, 0, nullptr, &waiting, nullptr)) {
            break;
        }
        if (waiting == 0) {
            if (WaitForSingleObject(process, 10) == WAIT_OBJECT_0) {
                break;
            }
            continue;
        }
        char buffer[512];
        DWORD got = 0;
        if (!ReadFile(output, buffer, sizeof buffer, &got, nullptr)) {
            break;
        }
        text.append(buffer, got);
    }
    text = text.substr(0, text.find('\n'));
    if (!text.empty() && text.back() == '\r') {
        text.pop_back();
    }
    return text;
}

}  // namespace

MockUsbPrinter::MockUsbPrinter(UsbPrinterIdentity identity, std::string line)
    : identity_(std::move(identity)), line_(std::move(line)) {}

MockUsbPrinter::~MockUsbPrinter() {
    Unplug();
    RemoveKeys(identity_);
}

bool MockUsbPrinter::Plug() {
    if (Plugged()) {
        return true;
    }
    Unplug();  // a process that ended on a hang-up
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE childInput = nullptr;
    HANDLE output = nullptr;
    HANDLE childOutput = nullptr;
    if (!CreatePipe(&childInput, &input_, &inherited, 0) ||
        !SetHandleInformation(input_, HANDLE_FLAG_INHERIT, 0) ||
        !CreatePipe(&output, &childOutput, &inherited, 0) ||
        !SetHandleInformation(output, HANDLE_FLAG_INHERIT, 0)) {
        error_ = "cannot make the pipes of tq9000-usb-printer";
        return false;
    }
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = childInput;
    startup.hStdOutput = childOutput;
    startup.hStdError = childOutput;
    const std::string tool = WindowsPath(TQ_USB_PRINTER_EXE);
    std::string command = ToolCommandLine(tool, identity_, line_);
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessA(tool.c_str(), command.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, nullptr, &startup, &process);
    CloseHandle(childInput);
    CloseHandle(childOutput);
    if (started) {
        CloseHandle(process.hThread);
        process_ = process.hProcess;
    }
    const std::string said = started ? FirstLine(output, process_) : "";
    CloseHandle(output);
    if (said != DevicePath()) {
        error_ = started ? "tq9000-usb-printer said \"" + said + "\"" : "cannot start " + tool;
        Unplug();
        return false;
    }
    return true;
}

void MockUsbPrinter::Unplug() {
    if (input_ != nullptr) {
        CloseHandle(input_);
        input_ = nullptr;
    }
    if (process_ != nullptr) {
        if (WaitForSingleObject(process_, kPatienceMs) != WAIT_OBJECT_0) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, INFINITE);
        }
        CloseHandle(process_);
        process_ = nullptr;
    }
}

bool MockUsbPrinter::Plugged() const {
    return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT;
}

void MockUsbPrinter::RemoveKeys(const UsbPrinterIdentity& identity) {
    UsbPrinterHost::RemoveKeys(identity);
}

DeviceNotice::DeviceNotice(HWND window, WPARAM event, const std::string& interfaceName)
    : window_(window), event_(event) {
    if (!interfaceName.empty()) {
        const std::size_t size =
            offsetof(DEV_BROADCAST_DEVICEINTERFACE_A, dbcc_name) + interfaceName.size() + 1;
        broadcast_ = std::make_unique<std::byte[]>(size);
        auto* header = reinterpret_cast<DEV_BROADCAST_DEVICEINTERFACE_A*>(broadcast_.get());
        header->dbcc_size = static_cast<DWORD>(size);
        header->dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
        header->dbcc_classguid = GUID_DEVINTERFACE_USBPRINT;
        std::memcpy(header->dbcc_name, interfaceName.c_str(), interfaceName.size() + 1);
    }
    handled_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    sender_ = std::thread([this] {
        DWORD_PTR result = 0;
        SendMessageTimeoutA(window_, WM_DEVICECHANGE, event_,
                            reinterpret_cast<LPARAM>(broadcast_.get()), SMTO_NORMAL, 60000,
                            &result);
        SetEvent(handled_);
    });
}

DeviceNotice::~DeviceNotice() {
    sender_.join();
    CloseHandle(handled_);
}

bool DeviceNotice::Handled(DWORD milliseconds) {
    return WaitForSingleObject(handled_, milliseconds) == WAIT_OBJECT_0;
}

}  // namespace tq::test
