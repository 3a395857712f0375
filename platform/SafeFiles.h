// How tq9000ctl reads and writes its own files (profiles) so that nothing it reads can block it
// and nothing it writes can destroy what it should not. It reads regular files only: a FIFO or a
// terminal could keep it waiting for ever, and opening a device can act on it. It replaces a
// file atomically: a private temporary file beside the target, synced, given the target's mode
// and renamed over it, so that a crash leaves the old file or the new one, never a part of one;
// a symbolic link, a device node or a folder in the target's place is refused, never replaced or
// written through.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tq {

// Up to `limit` + 1 bytes of the regular file at `path` into `text`, so that the caller can refuse
// a file that is too large without reading it whole. Empty on success, else what to print after
// "PATH: ", e.g. "cannot be read: it is a folder, not a regular file".
std::string ReadRegularFile(const std::string& path, std::size_t limit, std::string& text);

// Opens the regular file at `path` to write a log into as it goes: created with 0666 less the
// umask, or emptied. As with ReplaceRegularFile, a symbolic link, a device node, a FIFO or a
// folder in its place is refused and never opened. The descriptor, or -1 with what to print
// after "PATH: " in `error`.
int OpenLogFile(const std::string& path, std::string& error);
// Writes `text` whole to the descriptor; false when it could not.
bool WriteToFile(int fd, std::string_view text);
// Closes a descriptor that OpenLogFile gave.
void CloseLogFile(int fd);

// True when the two paths name one file: the same device and inode (on Windows the same volume
// and file index) when both exist, otherwise the same path once made absolute. Nothing is opened
// on POSIX; on Windows a device name is compared by its path alone.
bool SameFile(const std::string& first, const std::string& second);

// Puts `text` in the place of the regular file at `path` (or a new one there), keeping the mode of
// the file it replaces; a new file gets 0666 less the umask. Empty on success, else what to print
// after "PATH: ". The temporary file is gone again whatever fails.
std::string ReplaceRegularFile(const std::string& path, std::string_view text);

}  // namespace tq
