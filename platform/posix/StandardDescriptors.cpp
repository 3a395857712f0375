// The closed standard descriptors opened on /dev/null, in order: open() takes the lowest free
// number, so each open lands on the one being filled.
#include "platform/StandardDescriptors.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

namespace tq {

namespace {

bool IsOpen(int fd) {
    return ::fcntl(fd, F_GETFD) != -1 || errno != EBADF;
}

bool OpenOnNull(int fd) {
    const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened == fd || opened < 0) {
        return opened == fd;
    }
    const bool moved = ::dup2(opened, fd) == fd;
    ::close(opened);
    return moved;
}

}  // namespace

bool OpenClosedStandardDescriptors() {
    for (const int fd : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (!IsOpen(fd) && !OpenOnNull(fd)) {
            return false;
        }
    }
    return true;
}

}  // namespace tq
