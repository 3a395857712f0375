#include "platform/posix/OpenFile.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "platform/posix/Errors.h"
#include "platform/posix/SerialPort.h"

namespace tq::posix {

namespace {

bool StartsWithCom(const char* name) {
    return (name[0] == 'C' || name[0] == 'c') && (name[1] == 'O' || name[1] == 'o') &&
           (name[2] == 'M' || name[2] == 'm');
}

// The port number of "COMn:" or "COMn", 1 to 255; 0 for any other name.
int ComPortNumber(const char* name) {
    if (!StartsWithCom(name)) {
        return 0;
    }
    int number = 0;
    const char* p = name + 3;
    for (; *p >= '0' && *p <= '9' && number <= 255; ++p) {
        number = number * 10 + (*p - '0');
    }
    if (p == name + 3 || number < 1 || number > 255) {
        return 0;
    }
    return (*p == '\0' || (p[0] == ':' && p[1] == '\0')) ? number : 0;
}

int AccessMode(DWORD access) {
    const bool read = (access & GENERIC_READ) != 0;
    const bool write = (access & GENERIC_WRITE) != 0;
    if (read && write)
        return O_RDWR;
    return write ? O_WRONLY : O_RDONLY;
}

// The group whose members may open the node: its owning group when that is not root's,
// otherwise the usual one (systemd gives usblp nodes to `lp`, serial ports to `dialout`).
std::string GroupToJoin(const std::string& path, FileKind kind) {
    struct stat status {};
    if (::stat(path.c_str(), &status) == 0 && status.st_gid != 0) {
        if (const group* owner = ::getgrgid(status.st_gid)) {
            return owner->gr_name;
        }
    }
    return kind == FileKind::Serial ? "dialout" : "lp";
}

// A user who may not open the printer can do something about it: say what, once per node, so
// that a command polling the printer again does not repeat it.
void ExplainAccessDenied(const std::string& path, FileKind kind) {
    static std::set<std::string> explained;
    if (!explained.insert(path).second) {
        return;
    }
    const std::string group = GroupToJoin(path, kind);
    std::fprintf(stderr,
                 "tq9000: permission denied opening %s: add your user to the group '%s' "
                 "(sudo usermod -aG %s $USER), then log in again\n",
                 path.c_str(), group.c_str(), group.c_str());
}

HANDLE OpenFailed(const std::string& path, FileKind kind, int error) {
    if (error == EACCES) {
        ExplainAccessDenied(path, kind);
    }
    return FailHandle(ErrorFromErrno(error));
}

// Share mode 0: no second opener. TIOCEXCL keeps other programs off a terminal, but a process
// with CAP_SYS_ADMIN passes it; the flock, the convention of serial programs, holds for root too.
// The lock comes first: an opener that is refused must not touch the holder's TIOCEXCL.
bool TakeExclusive(FileObject& file) {
    if (::flock(file.fd, LOCK_EX | LOCK_NB) != 0) {
        return false;
    }
    file.exclusiveTty = ::isatty(file.fd) && ::ioctl(file.fd, TIOCEXCL) == 0;
    return true;
}

}  // namespace

std::optional<std::string> SerialPortPath(const char* name) {
    const int number = ComPortNumber(name);
    if (number == 0) {
        return std::nullopt;
    }
    const std::string variable = "TQ9000_COM" + std::to_string(number);
    if (const char* mapped = std::getenv(variable.c_str()); mapped != nullptr && *mapped != '\0') {
        return std::string(mapped);
    }
    return "/dev/ttyS" + std::to_string(number - 1);
}

// Every node opens non-blocking, whatever the flags: the overlapped requests are emulated on top
// (a handle opened without FILE_FLAG_OVERLAPPED waits in ReadFile and WriteFile). The disposition
// is not honoured: this platform opens existing devices only and never creates a file in /dev.
HANDLE OpenFile(HandleTable& table, const char* name, DWORD access, DWORD share, DWORD flags) {
    if (name == nullptr) {
        return FailHandle(ERROR_INVALID_PARAMETER);
    }
    const std::optional<std::string> port = SerialPortPath(name);
    auto file = std::make_shared<FileObject>();
    file->kind = port ? FileKind::Serial : FileKind::Device;
    file->path = port ? *port : std::string(name);
    file->overlapped = (flags & FILE_FLAG_OVERLAPPED) != 0;
    file->settings = InitialSettings();
    // usblp admits one opener by itself: a second open fails with EBUSY.
    file->fd = ::open(file->path.c_str(), AccessMode(access) | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (file->fd < 0) {
        return OpenFailed(file->path, file->kind, errno);
    }
    if (share == 0 && !TakeExclusive(*file)) {
        return FailHandle(errno == EWOULDBLOCK ? ERROR_SHARING_VIOLATION : ErrorFromErrno(errno));
    }
    return table.Add(std::move(file));
}

}  // namespace tq::posix
