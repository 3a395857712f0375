// The device-installation calls' contract over a snapshot of printer interfaces: enumeration by
// index, the detail record with its two-call size protocol, and the two registry properties that
// discovery reads. Pure bookkeeping; the snapshot comes from UdevPrinters.
#pragma once

#include "platform/posix/Handles.h"

namespace tq::posix {

// Only GUID_DEVINTERFACE_USBPRINT has members here; a list of any other class is empty.
HDEVINFO MakeDeviceList(HandleTable& table, const GUID* classGuid, DWORD flags);

BOOL EnumInterface(const DeviceListObject& list, const GUID* classGuid, DWORD index,
                   SP_DEVICE_INTERFACE_DATA* interfaceData);

BOOL InterfaceDetail(const DeviceListObject& list, const SP_DEVICE_INTERFACE_DATA* interfaceData,
                     SP_DEVICE_INTERFACE_DETAIL_DATA_A* detail, DWORD detailSize,
                     DWORD* requiredSize, SP_DEVINFO_DATA* device);

// SPDRP_DRIVER is the interface's kernel driver ("usblp"; empty when none is bound),
// SPDRP_LOCATION_INFORMATION its USB port path ("1-2:1.0"). Both are REG_SZ.
BOOL RegistryProperty(const DeviceListObject& list, const SP_DEVINFO_DATA* device, DWORD property,
                      DWORD* dataType, BYTE* buffer, DWORD bufferSize, DWORD* requiredSize);

}  // namespace tq::posix
