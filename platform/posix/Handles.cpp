#include "platform/posix/Handles.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include "platform/posix/SerialPort.h"

namespace tq::posix {

FileObject::~FileObject() {
    if (fd < 0) {
        return;
    }
    if (lineChanged) {
        RestoreLine(*this);
    }
    // TIOCEXCL outlives this descriptor on a port that someone else still holds open.
    if (exclusiveTty) {
        ::ioctl(fd, TIOCNXCL);
    }
    ::close(fd);
}

HANDLE HandleTable::Add(std::shared_ptr<HandleObject> object) {
    std::lock_guard lock(mutex_);
    next_ += 4;
    objects_.emplace(next_, std::move(object));
    return reinterpret_cast<HANDLE>(next_);
}

std::shared_ptr<HandleObject> HandleTable::Find(HANDLE handle) const {
    std::lock_guard lock(mutex_);
    const auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
    return found == objects_.end() ? nullptr : found->second;
}

std::shared_ptr<HandleObject> HandleTable::Remove(HANDLE handle) {
    std::lock_guard lock(mutex_);
    const auto found = objects_.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == objects_.end()) {
        return nullptr;
    }
    std::shared_ptr<HandleObject> object = std::move(found->second);
    objects_.erase(found);
    return object;
}

std::vector<std::shared_ptr<FileObject>> HandleTable::Files() const {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<FileObject>> files;
    for (const auto& [value, object] : objects_) {
        if (auto file = std::dynamic_pointer_cast<FileObject>(object)) {
            files.push_back(std::move(file));
        }
    }
    return files;
}

}  // namespace tq::posix
