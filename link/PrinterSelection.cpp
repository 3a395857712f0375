#include "link/PrinterSelection.h"

#include <cctype>

namespace tq {

namespace {

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front()))) {
        text.remove_prefix(1);
    }
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) {
        text.remove_suffix(1);
    }
    return text;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::toupper(static_cast<unsigned char>(a[i])) !=
            std::toupper(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

// The field a key fills, or nullptr for a key that names none of the four.
std::string* FieldOf(DeviceIdFields& fields, std::string_view key) {
    struct Key {
        const char* shortName;
        const char* longName;
        std::string DeviceIdFields::*field;
    };
    static const Key keys[] = {
        {"MFG", "MANUFACTURER", &DeviceIdFields::manufacturer},
        {"MDL", "MODEL", &DeviceIdFields::model},
        {"SN", "SERN", &DeviceIdFields::serialNumber},
        {"CMD", "COMMAND SET", &DeviceIdFields::commandSet},
    };
    for (const Key& k : keys) {
        if (SameIgnoringCase(key, k.shortName) || SameIgnoringCase(key, k.longName)) {
            return &(fields.*k.field);
        }
    }
    return nullptr;
}

}  // namespace

// "KEY:value;" pairs; a pair without a colon is skipped, and the first of two equal keys counts.
DeviceIdFields ParseDeviceId(std::string_view deviceId) {
    DeviceIdFields fields;
    while (!deviceId.empty()) {
        const std::size_t end = deviceId.find(';');
        const std::string_view pair = deviceId.substr(0, end);
        deviceId.remove_prefix(end == std::string_view::npos ? deviceId.size() : end + 1);
        const std::size_t colon = pair.find(':');
        if (colon == std::string_view::npos) {
            continue;
        }
        std::string* field = FieldOf(fields, Trim(pair.substr(0, colon)));
        if (field != nullptr && field->empty()) {
            *field = std::string(Trim(pair.substr(colon + 1)));
        }
    }
    return fields;
}

std::string SerialNumberOf(const UsbPrinterDescription& printer) {
    std::string fromDeviceId = ParseDeviceId(printer.deviceId).serialNumber;
    return fromDeviceId.empty() ? printer.usbSerial : fromDeviceId;
}

bool SelectorNames(std::string_view selector, const UsbPrinterDescription& printer) {
    if (selector.empty()) {
        return false;
    }
    if (selector == printer.devicePath) {
        return true;
    }
    const std::string fromDeviceId = ParseDeviceId(printer.deviceId).serialNumber;
    return SameIgnoringCase(selector, fromDeviceId) ||
           SameIgnoringCase(selector, printer.usbSerial);
}

}  // namespace tq
