#include "platform/posix/DeviceInfoList.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

#include "platform/posix/Errors.h"
#include "platform/posix/UdevPrinters.h"

namespace tq::posix {

namespace {

constexpr DWORD kRegSz = 1;
constexpr DWORD kInterfaceActive = 1;  // SPINT_ACTIVE

// The records carry the interface's position in the list, 1-based so that a zeroed record
// names none.
const PrinterInterface* InterfaceAt(const DeviceListObject& list, ULONG_PTR reserved) {
    if (reserved == 0 || reserved > list.interfaces.size()) {
        return nullptr;
    }
    return &list.interfaces[reserved - 1];
}

// The detail record's size for a path: the fixed part, the path and its terminator, and never
// less than the record itself, so that the caller's block always holds a whole record.
DWORD DetailSize(const std::string& path) {
    const std::size_t size =
        offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath) + path.size() + 1;
    return static_cast<DWORD>(std::max(size, sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)));
}

void DescribeDevice(const GUID& classGuid, ULONG_PTR position, SP_DEVINFO_DATA* device) {
    device->ClassGuid = classGuid;
    device->DevInst = static_cast<DWORD>(position);
    device->Reserved = position;
}

const std::string* PropertyText(const PrinterInterface& printer, DWORD property) {
    if (property == SPDRP_DRIVER)
        return &printer.driver;
    if (property == SPDRP_LOCATION_INFORMATION)
        return &printer.location;
    return nullptr;
}

}  // namespace

HDEVINFO MakeDeviceList(HandleTable& table, const GUID* classGuid, DWORD flags) {
    if (classGuid == nullptr || (flags & DIGCF_DEVICEINTERFACE) == 0) {
        return FailHandle(ERROR_INVALID_PARAMETER);
    }
    auto list = std::make_shared<DeviceListObject>();
    list->classGuid = *classGuid;
    // udev lists only the devices that are present, which is all that DIGCF_PRESENT asks for.
    if (SameGuid(*classGuid, GUID_DEVINTERFACE_USBPRINT)) {
        auto printers = ListUsbPrinters();
        if (!printers) {
            return INVALID_HANDLE_VALUE;  // the last error is set
        }
        list->interfaces = std::move(*printers);
    }
    return table.Add(std::move(list));
}

BOOL EnumInterface(const DeviceListObject& list, const GUID* classGuid, DWORD index,
                   SP_DEVICE_INTERFACE_DATA* interfaceData) {
    if (interfaceData == nullptr || interfaceData->cbSize != sizeof(SP_DEVICE_INTERFACE_DATA)) {
        return Fail(ERROR_INVALID_USER_BUFFER);
    }
    if (classGuid == nullptr || !SameGuid(*classGuid, list.classGuid) ||
        index >= list.interfaces.size()) {
        return Fail(ERROR_NO_MORE_ITEMS);
    }
    interfaceData->InterfaceClassGuid = list.classGuid;
    interfaceData->Flags = kInterfaceActive;
    interfaceData->Reserved = static_cast<ULONG_PTR>(index) + 1;
    return TRUE;
}

BOOL InterfaceDetail(const DeviceListObject& list, const SP_DEVICE_INTERFACE_DATA* interfaceData,
                     SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, DWORD detailSize,
                     DWORD* requiredSize, SP_DEVINFO_DATA* device) {
    const PrinterInterface* printer =
        interfaceData != nullptr ? InterfaceAt(list, interfaceData->Reserved) : nullptr;
    if (printer == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    const DWORD needed = DetailSize(printer->devicePath);
    if (requiredSize != nullptr)
        *requiredSize = needed;
    if (detail == nullptr) {
        return Fail(detailSize == 0 ? ERROR_INSUFFICIENT_BUFFER : ERROR_INVALID_USER_BUFFER);
    }
    if (detail->cbSize != sizeof(SP_DEVICE_INTERFACE_DETAIL_DATA_A)) {
        return Fail(ERROR_INVALID_USER_BUFFER);
    }
    if (device != nullptr && device->cbSize != sizeof(SP_DEVINFO_DATA)) {
        return Fail(ERROR_INVALID_USER_BUFFER);
    }
    if (detailSize < needed)
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    // The path runs on past the record's one-character array, into the rest of the block.
    char* path =
        reinterpret_cast<char*>(detail) + offsetof(SP_DEVICE_INTERFACE_DETAIL_DATA_A, DevicePath);
    std::memcpy(path, printer->devicePath.c_str(), printer->devicePath.size() + 1);
    if (device != nullptr)
        DescribeDevice(list.classGuid, interfaceData->Reserved, device);
    return TRUE;
}

BOOL RegistryProperty(const DeviceListObject& list, const SP_DEVINFO_DATA* device, DWORD property,
                      DWORD* dataType, BYTE* buffer, DWORD bufferSize, DWORD* requiredSize) {
    if (device == nullptr || device->cbSize != sizeof(SP_DEVINFO_DATA)) {
        return Fail(ERROR_INVALID_USER_BUFFER);
    }
    const PrinterInterface* printer = InterfaceAt(list, device->Reserved);
    if (printer == nullptr)
        return Fail(ERROR_INVALID_PARAMETER);
    const std::string* text = PropertyText(*printer, property);
    if (text == nullptr)
        return Fail(ERROR_INVALID_DATA);
    const DWORD needed = static_cast<DWORD>(text->size() + 1);
    if (requiredSize != nullptr)
        *requiredSize = needed;
    if (dataType != nullptr)
        *dataType = kRegSz;
    if (buffer == nullptr || bufferSize < needed)
        return Fail(ERROR_INSUFFICIENT_BUFFER);
    std::memcpy(buffer, text->c_str(), needed);
    return TRUE;
}

}  // namespace tq::posix
