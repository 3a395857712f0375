#include "platform/posix/SysfsSerialPorts.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <memory>
#include <string_view>

#include "platform/posix/Errors.h"
#include "platform/posix/NodeOrder.h"

namespace tq::posix {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};
using DirPtr = std::unique_ptr<DIR, DirCloser>;

// The target of a symbolic link in `dir`, or "" when it is none.
std::string LinkTarget(int dir, const char* name) {
    char target[4096];
    const ssize_t length = ::readlinkat(dir, name, target, sizeof target);
    return length > 0 ? std::string(target, static_cast<std::size_t>(length)) : std::string();
}

std::string_view LastComponent(std::string_view path) {
    return path.substr(path.rfind('/') + 1);
}

// Every tty without a device of its own (consoles, virtual terminals, ptmx) lives here.
bool IsVirtual(std::string_view target) {
    return target.find("/devices/virtual/") != std::string_view::npos;
}

// The serial core gives every port slot a node and reports the UART it found in `type`; 0 is
// PORT_UNKNOWN, a slot with nothing behind it (most of a PC's ttyS0 to ttyS31). USB-serial and
// CDC-ACM ports have no such attribute: they exist only when their hardware does.
bool SlotIsEmpty(int classDir, const std::string& name) {
    const int fd = ::openat(classDir, (name + "/type").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    char text[8] = {};
    const ssize_t length = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    std::string_view type(text, length > 0 ? static_cast<std::size_t>(length) : 0);
    if (!type.empty() && type.back() == '\n') {
        type.remove_suffix(1);
    }
    return type == "0";
}

// The kernel names a tty's node after the device, with '!' standing for '/'.
std::string NodeOf(const std::string& devRoot, std::string name) {
    std::replace(name.begin(), name.end(), '!', '/');
    return devRoot + "/" + name;
}

// The links udev made in /dev/serial/by-id and /dev/serial/by-path, by the node name they point
// at ("../../ttyUSB0"); none where no udev daemon runs.
std::map<std::string, std::vector<std::string>> StableNames(const std::string& devRoot) {
    std::map<std::string, std::vector<std::string>> names;
    for (const char* kind : {"by-id", "by-path"}) {
        const std::string folder = devRoot + "/serial/" + kind;
        DirPtr dir(::opendir(folder.c_str()));
        while (dir != nullptr) {
            const dirent* entry = ::readdir(dir.get());
            if (entry == nullptr) {
                break;
            }
            const std::string target = LinkTarget(::dirfd(dir.get()), entry->d_name);
            if (!target.empty()) {
                names[std::string(LastComponent(target))].push_back(folder + "/" + entry->d_name);
            }
        }
    }
    for (auto& [node, links] : names) {
        std::sort(links.begin(), links.end());
    }
    return names;
}

}  // namespace

std::optional<std::vector<SerialPortDescription>> ListSerialPorts(const std::string& sysRoot,
                                                                  const std::string& devRoot) {
    std::vector<SerialPortDescription> ports;
    DirPtr classDir(::opendir((sysRoot + "/class/tty").c_str()));
    if (classDir == nullptr) {
        if (errno == ENOENT) {
            return ports;
        }
        SetLastErrorCode(ErrorFromErrno(errno));
        return std::nullopt;
    }
    const int dir = ::dirfd(classDir.get());
    auto stableNames = StableNames(devRoot);
    while (const dirent* entry = ::readdir(classDir.get())) {
        const std::string name = entry->d_name;
        const std::string target = LinkTarget(dir, name.c_str());
        if (target.empty() || IsVirtual(target) || SlotIsEmpty(dir, name)) {
            continue;
        }
        const std::string node = NodeOf(devRoot, name);
        ports.push_back({node, std::move(stableNames[std::string(LastComponent(node))])});
    }
    std::sort(ports.begin(), ports.end(),
              [](const SerialPortDescription& a, const SerialPortDescription& b) {
                  return NodeOrder(a.device, b.device);
              });
    return ports;
}

}  // namespace tq::posix
