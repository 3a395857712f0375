#include "tests/win32/usb/UsbPrinterHost.h"

#include <winternl.h>

#include <utility>

#include "tests/win32/usb/PipeRelay.h"

namespace tq::test {

namespace {

// The setup class of the devices that carry a USB printer interface (USB devices), as the registry
// spells it.
const std::string kUsbSetupClass = "{36fc9e60-c465-11cf-8056-444553540000}";
const std::string kDeviceClasses = "SYSTEM\\CurrentControlSet\\Control\\DeviceClasses\\";
const std::string kUsbDevices = "SYSTEM\\CurrentControlSet\\Enum\\USB\\";
constexpr ACCESS_MASK kSymbolicLinkAllAccess = 0xF0001;

std::string InterfaceKey(const UsbPrinterIdentity& id) {
    return kDeviceClasses + UsbPrintClassName() + "\\##?#" + InterfaceName(id);
}

std::string InstanceKey(const UsbPrinterIdentity& id) {
    return kUsbDevices + InstanceId(id).substr(4);
}

class Key {
public:
    // Opens `path` under HKLM, creating what is missing: volatile keys live only as long as the
    // registry's server, and every key below a volatile one must be volatile too.
    Key(const std::string& path, bool volatileKey) {
        const DWORD options = volatileKey ? REG_OPTION_VOLATILE : REG_OPTION_NON_VOLATILE;
        ok_ = RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, options, KEY_ALL_ACCESS,
                              nullptr, &key_, nullptr) == ERROR_SUCCESS;
    }
    ~Key() {
        if (ok_)
            RegCloseKey(key_);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    bool Text(const char* name, const std::string& value) {
        return ok_ &&
               RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    }
    bool Number(const char* name, DWORD value) {
        return ok_ &&
               RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                              sizeof value) == ERROR_SUCCESS;
    }

private:
    HKEY key_ = nullptr;
    bool ok_ = false;
};

// An interface counts as present while both its own Control key and its reference's say Linked.
bool SetLinked(const UsbPrinterIdentity& id, bool linked) {
    const std::string key = InterfaceKey(id);
    return Key(key + "\\Control", true).Number("Linked", linked ? 1 : 0) &&
           Key(key + "\\#\\Control", true).Number("Linked", linked ? 1 : 0);
}

// The keys that the system writes when a printer is plugged in and its driver enables the
// interface; discovery reads the interface's path, and the device's driver and location.
bool WriteKeys(const UsbPrinterIdentity& id) {
    // The parents stay, as on a system where such a printer was ever plugged in.
    Key(kDeviceClasses + UsbPrintClassName(), false);
    Key(kUsbDevices + HardwareName(id), false);
    Key device(InstanceKey(id), true);
    const bool deviceOk = device.Text("ClassGUID", kUsbSetupClass) &&
                          device.Text("Driver", kUsbSetupClass + "\\0001") &&
                          device.Text("LocationInformation", id.location) &&
                          device.Text("DeviceDesc", "USB Printing Support") &&
                          device.Text("Service", "usbprint");
    Key interfaceKey(InterfaceKey(id), true);
    Key reference(InterfaceKey(id) + "\\#", true);
    return deviceOk && interfaceKey.Text("DeviceInstance", InstanceId(id)) &&
           reference.Text("SymbolicLink", NoticeName(id)) && SetLinked(id, true);
}

// Makes \??\NAME, the object that CreateFileA("\\?\NAME") opens, a symbolic link to the pipe. The
// link is temporary: it lasts while the handle returned is open. (Wine 8's DefineDosDeviceA with
// a raw target crashes on such a name.)
HANDLE MakeAlias(const std::string& name, const std::string& pipe, std::string& error) {
    using CreateLink = LONG(WINAPI*)(HANDLE*, ACCESS_MASK, OBJECT_ATTRIBUTES*, UNICODE_STRING*);
    const auto create = reinterpret_cast<CreateLink>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtCreateSymbolicLinkObject")));
    if (create == nullptr) {
        error = "ntdll has no NtCreateSymbolicLinkObject";
        return nullptr;
    }
    std::wstring linkName = L"\\??\\";
    std::wstring target = L"\\Device\\NamedPipe\\";
    linkName.append(name.begin(), name.end());
    target.append(pipe.begin(), pipe.end());
    UNICODE_STRING linkText{static_cast<USHORT>(linkName.size() * 2),
                            static_cast<USHORT>(linkName.size() * 2), linkName.data()};
    UNICODE_STRING targetText{static_cast<USHORT>(target.size() * 2),
                              static_cast<USHORT>(target.size() * 2), target.data()};
    OBJECT_ATTRIBUTES attributes{};
    attributes.Length = sizeof attributes;
    attributes.ObjectName = &linkText;
    attributes.Attributes = OBJ_CASE_INSENSITIVE;
    HANDLE link = nullptr;
    const LONG status = create(&link, kSymbolicLinkAllAccess, &attributes, &targetText);
    if (status != 0) {
        error = "cannot make the alias \\??\\" + name + " (status " + std::to_string(status) + ")";
        return nullptr;
    }
    return link;
}

}  // namespace

UsbPrinterHost::UsbPrinterHost(UsbPrinterIdentity identity, std::string line)
    : identity_(std::move(identity)), line_(std::move(line)) {}

UsbPrinterHost::~UsbPrinterHost() {
    Unplug();
}

bool UsbPrinterHost::Plug() {
    if (Plugged()) {
        return true;
    }
    const std::string pipe = "tq9000-usb-" + std::to_string(GetCurrentProcessId()) + "-" +
                             LowerCase(HardwareName(identity_) + "-" + identity_.serial);
    auto relay = std::make_unique<PipeRelay>(pipe, line_, [this] { Disconnect(); });
    if (!relay->Start()) {
        error_ = relay->Error();
        return false;
    }
    HANDLE alias = MakeAlias(LowerCase(InterfaceName(identity_)), pipe, error_);
    if (alias == nullptr) {
        return false;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    relay_ = std::move(relay);
    alias_ = alias;
    linked_ = WriteKeys(identity_);
    if (!linked_) {
        error_ = "cannot write the interface's registry keys";
    }
    return linked_;
}

// As on a hang-up, the printer is no longer listed by the time a program learns from a broken pipe
// that it went. The relay is stopped outside the lock, which a hang-up meanwhile takes itself.
void UsbPrinterHost::Unplug() {
    Disconnect();
    std::unique_ptr<PipeRelay> relay;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        relay = std::move(relay_);
    }
    if (relay != nullptr) {
        relay->Stop();
    }
}

void UsbPrinterHost::Disconnect() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (alias_ != nullptr) {
        CloseHandle(alias_);
        alias_ = nullptr;
    }
    if (linked_) {
        SetLinked(identity_, false);
        linked_ = false;
    }
}

bool UsbPrinterHost::Plugged() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return linked_;
}

void UsbPrinterHost::RemoveKeys(const UsbPrinterIdentity& identity) {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, InterfaceKey(identity).c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, InterfaceKey(identity).c_str());
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, InstanceKey(identity).c_str());
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, InstanceKey(identity).c_str());
}

}  // namespace tq::test
