// The C runtime's descriptors 0, 1 and 2 opened on NUL when the process has none behind them. A
// port is opened as a handle, never as a descriptor, but a profile or a trace file is opened with
// _open, which takes the lowest free descriptor: started without a standard output, a later
// status line would be written into that file.
#include "platform/StandardDescriptors.h"

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <initializer_list>

namespace tq {

namespace {

// -1: no handle; -2: the runtime's mark for a standard stream with no console behind it.
bool HasHandle(int fd) {
    const intptr_t handle = _get_osfhandle(fd);
    return handle != -1 && handle != -2;
}

bool OpenOnNull(int fd) {
    const int opened = _open("NUL", (fd == 0 ? _O_RDONLY : _O_WRONLY) | _O_BINARY);
    if (opened == fd || opened < 0) {
        return opened == fd;
    }
    const bool moved = _dup2(opened, fd) == 0;
    _close(opened);
    return moved;
}

}  // namespace

bool OpenClosedStandardDescriptors() {
    for (const int fd : {0, 1, 2}) {
        if (!HasHandle(fd) && !OpenOnNull(fd)) {
            return false;
        }
    }
    return true;
}

}  // namespace tq
