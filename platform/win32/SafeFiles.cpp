// SafeFiles on Windows: the same rules as on POSIX, by Windows means. A device is recognised by
// its name before anything is opened (the system maps "COM1", "NUL", "CON" and the like to
// devices in every folder, and opening a serial port acts on it); a folder and a reparse point
// (a symbolic link or a junction) by the attributes of the path. The C runtime's descriptors
// carry the data, and MoveFileEx replaces the target in one step, written through to the disk.
// A failure is told in Windows' own words ("The system cannot find the path specified", in the
// user's language), from the Win32 error the C runtime keeps beside errno: its own texts are
// those of POSIX, which a Windows user does not meet anywhere else.
#include "platform/SafeFiles.h"

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>

#include "platform/ProcessSignals.h"

namespace tq {

namespace {

std::string CannotBeRead(const std::string& reason) {
    return "cannot be read: " + reason;
}

std::string CannotBeWritten(const std::string& reason) {
    return "cannot be written: " + reason;
}

// The system's own text for a Win32 error, on one line.
std::string SystemErrorText(DWORD error) {
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    return message.empty() ? "error " + std::to_string(error) : message;
}

// Before each C runtime call whose failure is reported: a call that succeeds leaves the Win32
// error of an earlier one in place.
void ForgetSystemError() {
    _doserrno = 0;
}

// Why the C runtime call that just failed did: the system's text for the Win32 error behind it,
// or the runtime's own where no system call failed (a check of its own, such as a bad argument).
std::string CrtFailure() {
    const unsigned long systemError = _doserrno;
    return systemError != 0 ? SystemErrorText(systemError) : std::strerror(errno);
}

// What the full path of a device name looks like: "\\.\COM1", "\\.\NUL".
bool NamesADevice(const std::string& path) {
    char full[MAX_PATH * 4] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length > 4 && length < sizeof full && std::strncmp(full, "\\\\.\\", 4) == 0;
}

// Why `path` is no regular file, or empty when it is one or does not exist.
std::string WhyNotRegular(const std::string& path, bool refuseLinks) {
    if (NamesADevice(path)) {
        return "it is a character device, not a regular file";
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return {};
    }
    if (refuseLinks && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
        return "it is a symbolic link, which is not replaced; name the file itself";
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return "it is a folder, not a regular file";
    }
    return {};
}

bool OpenedARegularFile(int fd) {
    struct _stat64 status {};
    return _fstat64(fd, &status) == 0 && (status.st_mode & _S_IFMT) == _S_IFREG;
}

int OpenRegularForReading(const std::string& path, std::string& error) {
    if (std::string why = WhyNotRegular(path, false); !why.empty()) {
        error = CannotBeRead(why);
        return -1;
    }
    ForgetSystemError();
    const int fd = _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0) {
        error = CannotBeRead(CrtFailure());
        return -1;
    }
    if (!OpenedARegularFile(fd)) {
        error = CannotBeRead("it changed while being opened");
        _close(fd);
        return -1;
    }
    return fd;
}

// Empty, or why the read failed.
std::string ReadAtMost(int fd, std::size_t count, std::string& text) {
    text.resize(count);
    std::size_t filled = 0;
    while (filled < count) {
        const unsigned chunk =
            static_cast<unsigned>(std::min<std::size_t>(count - filled, 1 << 20));
        ForgetSystemError();
        const int n = _read(fd, text.data() + filled, chunk);
        if (n < 0) {
            return CrtFailure();
        }
        if (n == 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    text.resize(filled);
    return {};
}

// Empty, or why the write failed.
std::string WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const unsigned chunk = static_cast<unsigned>(std::min<std::size_t>(text.size(), 1 << 20));
        ForgetSystemError();
        const int n = _write(fd, text.data(), chunk);
        if (n < 0) {
            return CrtFailure();
        }
        text.remove_prefix(static_cast<std::size_t>(n));
    }
    return {};
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? "." : path.substr(0, slash + 1);
}

// The longest name in a folder, and what ".NAME.tq9000-XXXXXXXX" adds to NAME.
constexpr std::size_t kLongestName = 255;
constexpr std::size_t kTemporaryNameExtra = 17;

// ".NAME.tq9000-XXXXXXXX" beside NAME, created exclusively; ".tq9000-XXXXXXXX" for a NAME too long
// to take the 17 characters more. It stays beside NAME, so that MoveFileEx replaces in one step.
int CreateTemporaryBeside(const std::string& path, std::string& temporary) {
    const std::size_t slash = path.find_last_of("/\\");
    const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string name =
        base.size() + kTemporaryNameExtra > kLongestName ? std::string() : "." + base;
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%08x", static_cast<unsigned>(entropy()));
        temporary = FolderOf(path) + name + ".tq9000-" + suffix;
        ForgetSystemError();
        const int fd =
            _open(temporary.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                  _S_IREAD | _S_IWRITE);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    errno = EEXIST;
    return -1;
}

// Empty, or why the step that failed did; on disk before it takes the target's name.
std::string FillTemporary(int fd, std::string_view text) {
    if (std::string error = WriteAll(fd, text); !error.empty()) {
        return error;
    }
    ForgetSystemError();
    return _commit(fd) == 0 ? "" : CrtFailure();
}

// Empty, or what to print after "PATH: "; the temporary file is gone again after a failure.
std::string PutInPlace(const std::string& path, std::string_view text) {
    std::string temporary;
    const int fd = CreateTemporaryBeside(path, temporary);
    if (fd < 0) {
        return CannotBeWritten(CrtFailure());
    }
    std::string error = FillTemporary(fd, text);
    ForgetSystemError();
    if (_close(fd) != 0 && error.empty()) {
        error = CrtFailure();
    }
    if (!error.empty()) {
        _unlink(temporary.c_str());
        return CannotBeWritten(error);
    }
    if (!MoveFileExA(temporary.c_str(), path.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD moveError = GetLastError();
        _unlink(temporary.c_str());
        return CannotBeWritten(SystemErrorText(moveError));
    }
    return {};
}

}  // namespace

std::string ReadRegularFile(const std::string& path, std::size_t limit, std::string& text) {
    std::string error;
    const int fd = OpenRegularForReading(path, error);
    if (fd < 0) {
        return error;
    }
    const std::string readError = ReadAtMost(fd, limit + 1, text);
    _close(fd);
    return readError.empty() ? "" : CannotBeRead(readError);
}

int OpenLogFile(const std::string& path, std::string& error) {
    if (std::string why = WhyNotRegular(path, true); !why.empty()) {
        error = CannotBeWritten(why);
        return -1;
    }
    ForgetSystemError();
    const int fd =
        _open(path.c_str(), _O_WRONLY | _O_CREAT | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
    if (fd < 0) {
        error = CannotBeWritten(CrtFailure());
        return -1;
    }
    ForgetSystemError();
    if (!OpenedARegularFile(fd)) {
        error = CannotBeWritten("it changed while being opened");
    } else if (const errno_t failed = _chsize_s(fd, 0); failed != 0) {
        errno = failed;
        error = CannotBeWritten(CrtFailure());
    }
    if (!error.empty()) {
        _close(fd);
        return -1;
    }
    return fd;
}

bool WriteToFile(int fd, std::string_view text) {
    return WriteAll(fd, text).empty();
}

void CloseLogFile(int fd) {
    _close(fd);
}

namespace {

// The volume serial number and the file index, which together name a file as an inode does.
bool FileIdentity(const std::string& path, BY_HANDLE_FILE_INFORMATION& identity) {
    const HANDLE file =
        CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return false;
    }
    const bool known = GetFileInformationByHandle(file, &identity) != 0;
    CloseHandle(file);
    return known;
}

// Worded as on POSIX, with the mode the C runtime gives a read-only file (0444).
std::string ReadOnly(const std::string& path) {
    struct _stat64 status {};
    const unsigned mode = _stat64(path.c_str(), &status) == 0 ? status.st_mode & 0777 : 0444;
    char octal[8];
    std::snprintf(octal, sizeof octal, "%04o", mode);
    return std::string("it is read-only (mode ") + octal + "); make it writable or save elsewhere";
}

std::string FullPath(const std::string& path) {
    char full[MAX_PATH * 4] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    return length > 0 && length < sizeof full ? std::string(full, length) : path;
}

}  // namespace

// A device is never opened, not even to be identified: opening a serial port acts on it.
bool SameFile(const std::string& first, const std::string& second) {
    BY_HANDLE_FILE_INFORMATION a{};
    BY_HANDLE_FILE_INFORMATION b{};
    if (!NamesADevice(first) && !NamesADevice(second) && FileIdentity(first, a) &&
        FileIdentity(second, b)) {
        return a.dwVolumeSerialNumber == b.dwVolumeSerialNumber &&
               a.nFileIndexHigh == b.nFileIndexHigh && a.nFileIndexLow == b.nFileIndexLow;
    }
    return _stricmp(FullPath(first).c_str(), FullPath(second).c_str()) == 0;
}

// On Windows the read-only attribute forbids replacing a file, not only writing into it (Windows
// refuses; Wine, which keeps it as the Unix mode, would let the rename through): such a file is
// refused, whichever system runs the program.
std::string ReplaceRegularFile(const std::string& path, std::string_view text) {
    if (std::string why = WhyNotRegular(path, true); !why.empty()) {
        return CannotBeWritten(why);
    }
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        return CannotBeWritten(ReadOnly(path));
    }
    // An interruption waits until the temporary file has taken the target's name or is gone.
    InterruptionsDeferred deferred;
    return PutInPlace(path, text);
}

}  // namespace tq
