#include "cli/AttachedDevices.h"

#include <nlohmann/json.hpp>

#include "cli/ConsoleText.h"
#include "link/PrinterSelection.h"
#include "protocol/TraceDecoding.h"

namespace tq::cli {

namespace {

std::string Quoted(const std::string& text) {
    return QuotedBytes(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

// " key=\"value\"", or nothing for an empty value.
std::string Field(const char* key, const std::string& value) {
    return value.empty() ? "" : std::string(" ") + key + "=" + Quoted(value);
}

// "/dev/serial/by-id/x" is shown as by-id=/dev/serial/by-id/x.
std::string StableNameField(const std::string& name) {
    const std::string prefix = "/dev/serial/";
    std::string key = "stable";
    if (name.rfind(prefix, 0) == 0) {
        const std::size_t slash = name.find('/', prefix.size());
        if (slash != std::string::npos) {
            key = name.substr(prefix.size(), slash - prefix.size());
        }
    }
    std::string field = " ";
    field += EscapeNameForTerminal(key) + "=" + EscapeNameForTerminal(name);
    return field;
}

// Bytes that are not UTF-8 (a device may report anything) become U+FFFD rather than invalid JSON.
std::string OneLine(const nlohmann::ordered_json& object) {
    return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

template <class Device, class Describe>
std::string JoinNames(const std::vector<Device>& devices, Describe describe) {
    if (devices.empty()) {
        return "none";
    }
    std::string names;
    for (const Device& device : devices) {
        names += (names.empty() ? "" : ", ") + describe(device);
    }
    return names;
}

}  // namespace

std::string FormatUsbLine(const UsbPrinterDescription& printer) {
    const DeviceIdFields fields = ParseDeviceId(printer.deviceId);
    return "usb " + EscapeNameForTerminal(printer.devicePath) +
           (printer.location.empty() ? "" : " port=" + EscapeNameForTerminal(printer.location)) +
           Field("serial", SerialNumberOf(printer)) + Field("manufacturer", fields.manufacturer) +
           Field("model", fields.model) + Field("command-set", fields.commandSet) + "\n";
}

std::string FormatSerialLine(const SerialPortDescription& port) {
    std::string line = "serial " + EscapeNameForTerminal(port.device);
    for (const std::string& name : port.stableNames) {
        line += StableNameField(name);
    }
    return line + "\n";
}

std::string FormatUsbJson(const UsbPrinterDescription& printer) {
    const DeviceIdFields fields = ParseDeviceId(printer.deviceId);
    nlohmann::ordered_json object = {
        {"kind", "usb"},
        {"device", printer.devicePath},
        {"port", printer.location},
        {"serial", SerialNumberOf(printer)},
        {"manufacturer", fields.manufacturer},
        {"model", fields.model},
        {"commandSet", fields.commandSet},
        {"deviceId", printer.deviceId},
    };
    return OneLine(object);
}

std::string FormatSerialJson(const SerialPortDescription& port) {
    nlohmann::ordered_json object = {
        {"kind", "serial"},
        {"device", port.device},
        {"stableNames", port.stableNames},
    };
    return OneLine(object);
}

std::string NameAttached(const std::vector<UsbPrinterDescription>& printers) {
    return JoinNames(printers, [](const UsbPrinterDescription& printer) {
        const std::string serial = SerialNumberOf(printer);
        std::string details = serial.empty() ? "no serial number" : "serial " + serial;
        if (!printer.location.empty()) {
            details += ", port " + printer.location;
        }
        return EscapeNameForTerminal(printer.devicePath) + " (" + EscapeForTerminal(details) + ")";
    });
}

std::string NameAttached(const std::vector<SerialPortDescription>& ports) {
    return JoinNames(ports, [](const SerialPortDescription& port) {
        const std::string stable =
            port.stableNames.empty() ? "" : " (" + port.stableNames.front() + ")";
        return EscapeNameForTerminal(port.device + stable);
    });
}

}  // namespace tq::cli
