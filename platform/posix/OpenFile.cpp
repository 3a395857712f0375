#include "platform/posix/OpenFile.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

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

thread_local OpenFailureDetail t_openFailure;

// The ports the program has mapped itself, by number: they take precedence over the environment.
std::mutex g_mappedMutex;
std::map<int, SerialPortName> g_mappedPorts;

std::optional<SerialPortName> MappedPort(int number) {
    std::lock_guard<std::mutex> lock(g_mappedMutex);
    const auto it = g_mappedPorts.find(number);
    return it != g_mappedPorts.end() ? std::optional(it->second) : std::nullopt;
}

// Keeps what the front end needs to tell the user what to do: which device the name stood for,
// which setting mapped it, and for a refusal of access the group to join.
HANDLE OpenFailed(const FileObject& file, const std::string& setting, DWORD error) {
    t_openFailure.device = file.path;
    t_openFailure.setting = setting;
    if (error == ERROR_ACCESS_DENIED) {
        t_openFailure.group = GroupToJoin(file.path, file.kind);
    }
    return FailHandle(error);
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

std::optional<SerialPortName> SerialPortPath(const char* name) {
    const int number = ComPortNumber(name);
    if (number == 0) {
        return std::nullopt;
    }
    if (auto mapped = MappedPort(number)) {
        return mapped;
    }
    const std::string variable = ComPortVariable(static_cast<DWORD>(number));
    // Set but empty is a mistake to report, not a request for the default port: a script that
    // meant to name the simulator's terminal must not end up talking to a real printer.
    if (const char* mapped = std::getenv(variable.c_str()); mapped != nullptr) {
        return SerialPortName{mapped, variable};
    }
    return SerialPortName{"/dev/ttyS" + std::to_string(number - 1), ""};
}

BOOL MapComPort(DWORD number, const char* device, const char* origin) {
    if (number < 1 || number > 255 || device == nullptr || origin == nullptr) {
        return Fail(ERROR_INVALID_PARAMETER);
    }
    // stat follows links, so a stable name under /dev/serial/ counts as the port it names.
    struct stat status {};
    if (::stat(device, &status) != 0) {
        return Fail(ErrorFromErrno(errno));
    }
    if (!S_ISCHR(status.st_mode)) {
        return Fail(ERROR_NOT_SUPPORTED);
    }
    std::lock_guard<std::mutex> lock(g_mappedMutex);
    g_mappedPorts[static_cast<int>(number)] = SerialPortName{device, origin};
    return TRUE;
}

OpenFailureDetail LastOpenFailureDetail() {
    return t_openFailure;
}

// Every node opens non-blocking, whatever the flags: the overlapped requests are emulated on top
// (a handle opened without FILE_FLAG_OVERLAPPED waits in ReadFile and WriteFile). The disposition
// is not honoured: this platform opens existing devices only and never creates a file in /dev.
HANDLE OpenFile(HandleTable& table, const char* name, DWORD access, DWORD share, DWORD flags) {
    t_openFailure = {};
    if (name == nullptr) {
        return FailHandle(ERROR_INVALID_PARAMETER);
    }
    const std::optional<SerialPortName> port = SerialPortPath(name);
    const std::string setting = port ? port->setting : std::string();
    auto file = std::make_shared<FileObject>();
    file->kind = port ? FileKind::Serial : FileKind::Device;
    file->path = port ? port->device : std::string(name);
    file->overlapped = (flags & FILE_FLAG_OVERLAPPED) != 0;
    file->settings = InitialSettings();
    if (file->path.empty()) {
        return OpenFailed(*file, setting, ERROR_FILE_NOT_FOUND);
    }
    // usblp admits one opener by itself: a second open fails with EBUSY.
    file->fd = ::open(file->path.c_str(), AccessMode(access) | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (file->fd < 0) {
        return OpenFailed(*file, setting, ErrorFromErrno(errno));
    }
    if (share == 0 && !TakeExclusive(*file)) {
        return OpenFailed(*file, setting,
                          errno == EWOULDBLOCK ? ERROR_SHARING_VIOLATION : ErrorFromErrno(errno));
    }
    return table.Add(std::move(file));
}

}  // namespace tq::posix
