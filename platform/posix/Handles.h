// The objects behind the HANDLE values that the POSIX platform gives out: open files (a
// descriptor, its kind, its emulated overlapped requests and serial settings), completion events,
// and device lists. Handle values come from a counter, so they are never null, never
// INVALID_HANDLE_VALUE, and a closed handle's value is not handed out again.
#pragma once

#include <termios.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/Win32Types.h"

namespace tq::posix {

struct HandleObject {
    virtual ~HandleObject() = default;
};

// A COMn: name opened a serial port; any other path is a device node such as /dev/usb/lp0.
enum class FileKind { Serial, Device };

// A read, write or serial event wait that could not finish when it was issued. A write keeps its
// own copy of the bytes still to go, because the caller's buffer may be gone once WriteFile has
// returned.
struct PendingRequest {
    enum class Direction { Read, Write, CommEvent };
    Direction direction = Direction::Read;
    OVERLAPPED* record = nullptr;
    std::vector<BYTE> unwritten;
    std::size_t offset = 0;       // bytes of `unwritten` already written
    BYTE* destination = nullptr;  // a read's buffer and its size
    DWORD size = 0;
    DWORD transferred = 0;
    DWORD* eventMask = nullptr;  // where an event wait reports the event that ended it
};

struct FileObject : HandleObject {
    ~FileObject() override;

    int fd = -1;
    FileKind kind = FileKind::Device;
    bool overlapped = true;
    bool exclusiveTty = false;  // TIOCEXCL was set, and is cleared again at close
    std::string path;
    std::vector<PendingRequest> pending;
    DCB settings{};  // the DCB as last set: holds the fields that termios has no place for
    // The terminal's settings before this handle first changed them, given back at close.
    bool lineChanged = false;
    termios lineBefore{};
    COMMTIMEOUTS timeouts{};
    DWORD commMask = 0;  // the events that WaitCommEvent waits for
};

struct EventObject : HandleObject {};

// One USB printer interface as discovery found it.
struct PrinterInterface {
    std::string devicePath;
    std::string driver;
    std::string location;
    std::string deviceId;   // IEEE 1284, as the printer gave it when attached
    std::string usbSerial;  // of the USB device the interface belongs to
};

// A snapshot of the interfaces present when the list was made, like a device information set.
struct DeviceListObject : HandleObject {
    GUID classGuid{};
    std::vector<PrinterInterface> interfaces;
};

class HandleTable {
public:
    HANDLE Add(std::shared_ptr<HandleObject> object);
    std::shared_ptr<HandleObject> Find(HANDLE handle) const;
    template <class T>
    std::shared_ptr<T> FindAs(HANDLE handle) const {
        return std::dynamic_pointer_cast<T>(Find(handle));
    }
    // Takes the object out of the table; it is destroyed when the last user lets go of it.
    std::shared_ptr<HandleObject> Remove(HANDLE handle);
    std::vector<std::shared_ptr<FileObject>> Files() const;

private:
    mutable std::mutex mutex_;
    std::unordered_map<std::uintptr_t, std::shared_ptr<HandleObject>> objects_;
    std::uintptr_t next_ = 0x1000;
};

}  // namespace tq::posix
