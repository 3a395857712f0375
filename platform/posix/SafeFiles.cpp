#include "platform/SafeFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#include "platform/ProcessSignals.h"

namespace tq {

namespace {

std::string KindOf(mode_t mode) {
    if (S_ISDIR(mode)) {
        return "a folder";
    }
    if (S_ISFIFO(mode)) {
        return "a FIFO (named pipe)";
    }
    if (S_ISCHR(mode)) {
        return "a character device";
    }
    if (S_ISBLK(mode)) {
        return "a block device";
    }
    return S_ISSOCK(mode) ? "a socket" : "of an unknown kind";
}

std::string NotRegular(mode_t mode) {
    return "it is " + KindOf(mode) + ", not a regular file";
}

std::string CannotBeRead(const std::string& reason) {
    return "cannot be read: " + reason;
}

std::string CannotBeWritten(const std::string& reason) {
    return "cannot be written: " + reason;
}

// The node is looked at before it is opened, so that a device is never opened at all (a serial
// port raises DTR when opened), and the opened file again, in case another took its place in
// between. O_NONBLOCK keeps even that second one from blocking the open.
int OpenRegularForReading(const std::string& path, std::string& error) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        error = CannotBeRead(std::strerror(errno));
        return -1;
    }
    if (!S_ISREG(status.st_mode)) {
        error = CannotBeRead(NotRegular(status.st_mode));
        return -1;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        error = CannotBeRead(std::strerror(errno));
        return -1;
    }
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        error = CannotBeRead("it changed while being opened");
        ::close(fd);
        return -1;
    }
    return fd;
}

// 0, or the errno of the read that failed.
int ReadAtMost(int fd, std::size_t count, std::string& text) {
    text.resize(count);
    std::size_t filled = 0;
    while (filled < count) {
        const ssize_t n = ::read(fd, text.data() + filled, count - filled);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        if (n == 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    text.resize(filled);
    return 0;
}

// The usual longest name in a folder, and what ".NAME.tq9000-XXXXXXXX" adds to NAME.
constexpr std::size_t kLongestName = 255;
constexpr std::size_t kTemporaryNameExtra = 17;

// What the saved file is to get: the mode and owner of the file it replaces.
struct Target {
    bool exists = false;
    struct stat status {};
};

// The umask can only be read by setting it; tq9000ctl has one thread, so nothing else creates a
// file in the instant it is 0.
mode_t NewFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// A symbolic link is refused, neither replaced nor followed: replacing it would leave the file it
// names as it was, and following it would let anyone who can make a link in a shared folder such
// as /tmp choose which file a run as root overwrites. The message names the file it points to, so
// the user can save there instead.
std::string LinkRefusal(const std::string& path) {
    char pointsTo[4096] = {};
    const ssize_t n = ::readlink(path.c_str(), pointsTo, sizeof pointsTo - 1);
    const std::string to = n > 0 ? " to " + std::string(pointsTo, static_cast<std::size_t>(n)) : "";
    return CannotBeWritten("it is a symbolic link" + to +
                           ", which is not replaced; name the file "
                           "itself");
}

// A file its owner may not write is one that someone meant to keep: the folder's permission alone
// would let a rename replace it (root's too), where Windows refuses a read-only file.
std::string ReadOnly(mode_t mode) {
    char octal[8];
    std::snprintf(octal, sizeof octal, "%04o", static_cast<unsigned>(mode & 07777));
    return std::string("it is read-only (mode ") + octal + "); make it writable or save elsewhere";
}

std::string ExamineTarget(const std::string& path, Target& target) {
    if (::lstat(path.c_str(), &target.status) != 0) {
        if (errno != ENOENT) {
            return CannotBeWritten(std::strerror(errno));
        }
        target.status.st_mode = S_IFREG | NewFileMode();
        return {};
    }
    target.exists = true;
    if (S_ISLNK(target.status.st_mode)) {
        return LinkRefusal(path);
    }
    return S_ISREG(target.status.st_mode) ? "" : CannotBeWritten(NotRegular(target.status.st_mode));
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// ".NAME.tq9000-XXXXXXXX" beside NAME, created exclusively and without following a link, so that
// nothing placed there beforehand is written through; readable by its owner only until it has
// its final mode. It stays beside NAME, as a rename is atomic only within one file system: for a
// NAME too long to take the 17 characters more, on this file system, it is ".tq9000-XXXXXXXX".
int CreateTemporaryBeside(const std::string& path, std::string& temporary) {
    const std::size_t slash = path.rfind('/');
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    bool shortName = base.size() + kTemporaryNameExtra > kLongestName;
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(entropy()));
        const std::string name = shortName ? std::string() : "." + base;
        temporary = FolderOf(path) + "/" + name + ".tq9000-" + suffix;
        const int fd =
            ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd < 0 && errno == ENAMETOOLONG && !shortName) {
            shortName = true;
            continue;
        }
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

int WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return errno;
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

// 0, or the errno of the step that failed. The owner is given back first, as only root can give
// a file away (for anyone else it fails and is let go: the mode still holds), and a change of
// owner clears set-id bits that the mode then restores. Synced before it takes the target's name.
int FillTemporary(int fd, std::string_view text, const Target& target) {
    if (const int error = WriteAll(fd, text); error != 0) {
        return error;
    }
    if (target.exists && ::fchown(fd, target.status.st_uid, target.status.st_gid) != 0 &&
        errno != EPERM) {
        return errno;
    }
    if (::fchmod(fd, target.status.st_mode & 07777) != 0 || ::fsync(fd) != 0) {
        return errno;
    }
    return 0;
}

// 0, or the errno of the step that failed; the temporary file is gone again after a failure.
int PutInPlace(const std::string& path, std::string_view text, const Target& target) {
    std::string temporary;
    const int fd = CreateTemporaryBeside(path, temporary);
    if (fd < 0) {
        return errno;
    }
    int error = FillTemporary(fd, text, target);
    if (::close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && ::rename(temporary.c_str(), path.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        ::unlink(temporary.c_str());
    }
    return error;
}

// The rename is on disk only once the folder that holds the name is. A file system that cannot
// sync a folder says EINVAL: there is nothing more to do there.
int SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    const int error = ::fsync(fd) == 0 || errno == EINVAL ? 0 : errno;
    ::close(fd);
    return error;
}

}  // namespace

std::string ReadRegularFile(const std::string& path, std::size_t limit, std::string& text) {
    std::string error;
    const int fd = OpenRegularForReading(path, error);
    if (fd < 0) {
        return error;
    }
    const int readError = ReadAtMost(fd, limit + 1, text);
    ::close(fd);
    return readError == 0 ? "" : CannotBeRead(std::strerror(readError));
}

// The node is examined before it is opened, so that no device is ever opened; O_NOFOLLOW and the
// second look at the opened file catch one put in its place in between, and O_NONBLOCK keeps a
// FIFO from blocking the open. It is emptied only once it is known to be a regular file.
int OpenLogFile(const std::string& path, std::string& error) {
    Target target;
    if (error = ExamineTarget(path, target); !error.empty()) {
        return -1;
    }
    const int fd = ::open(
        path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd < 0) {
        error = CannotBeWritten(std::strerror(errno));
        return -1;
    }
    struct stat status {};
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        error = CannotBeWritten("it changed while being opened");
    } else if (::ftruncate(fd, 0) != 0) {
        error = CannotBeWritten(std::strerror(errno));
    }
    if (!error.empty()) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool WriteToFile(int fd, std::string_view text) {
    return WriteAll(fd, text) == 0;
}

void CloseLogFile(int fd) {
    ::close(fd);
}

bool SameFile(const std::string& first, const std::string& second) {
    struct stat a {};
    struct stat b {};
    if (::stat(first.c_str(), &a) == 0 && ::stat(second.c_str(), &b) == 0) {
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
    }
    std::error_code error;
    const auto absoluteFirst = std::filesystem::absolute(first, error).lexically_normal();
    const auto absoluteSecond = std::filesystem::absolute(second, error).lexically_normal();
    return absoluteFirst == absoluteSecond;
}

std::string ReplaceRegularFile(const std::string& path, std::string_view text) {
    Target target;
    if (std::string refusal = ExamineTarget(path, target); !refusal.empty()) {
        return refusal;
    }
    if (target.exists && (target.status.st_mode & S_IWUSR) == 0) {
        return CannotBeWritten(ReadOnly(target.status.st_mode));
    }
    int error = 0;
    {
        // An interruption waits until the temporary file has taken the target's name or is gone.
        InterruptionsDeferred deferred;
        error = PutInPlace(path, text, target);
    }
    if (error != 0) {
        return CannotBeWritten(std::strerror(error));
    }
    if (const int syncError = SyncFolder(FolderOf(path)); syncError != 0) {
        return "saved, but its folder could not be synced to disk: " +
               std::string(std::strerror(syncError));
    }
    return {};
}

}  // namespace tq
