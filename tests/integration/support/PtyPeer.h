// The printer's end of a pseudo-terminal, for the integration tests: the test holds the master
// side and plays the printer on it while the platform under test opens the slave side as COM1:
// or as a usblp node. Reads wait with poll() up to generous bounds, never on exact timings.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace tq::test {

class PtyPeer {
public:
    PtyPeer() {
        fd_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ >= 0 && ::grantpt(fd_) == 0 && ::unlockpt(fd_) == 0) {
            if (const char* name = ::ptsname(fd_))
                slavePath_ = name;
        }
    }
    ~PtyPeer() { Close(); }
    PtyPeer(const PtyPeer&) = delete;
    PtyPeer& operator=(const PtyPeer&) = delete;

    bool Ok() const { return fd_ >= 0 && !slavePath_.empty(); }
    int Fd() const { return fd_; }
    const std::string& SlavePath() const { return slavePath_; }

    // Raw line on the slave side, as a printer's byte stream needs (the COM1: path sets this
    // itself; a usblp node stand-in does not).
    bool MakeRaw() {
        termios t{};
        if (::tcgetattr(fd_, &t) != 0)
            return false;
        ::cfmakeraw(&t);
        return ::tcsetattr(fd_, TCSANOW, &t) == 0;
    }

    // The bytes the host wrote, until `count` have come or `timeoutMs` passed without them.
    std::vector<std::uint8_t> Read(std::size_t count, int timeoutMs = 1000) {
        std::vector<std::uint8_t> bytes;
        while (bytes.size() < count && Await(timeoutMs)) {
            AppendAvailable(bytes, count - bytes.size());
        }
        return bytes;
    }

    // Everything the host wrote, until the line has been quiet for `quietMs`.
    std::vector<std::uint8_t> ReadUntilQuiet(int quietMs) {
        std::vector<std::uint8_t> bytes;
        while (Await(quietMs)) {
            if (!AppendAvailable(bytes, 65536))
                break;
        }
        return bytes;
    }

    bool Write(const std::vector<std::uint8_t>& bytes) {
        return ::write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }

    void Close() {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = -1;
    }

private:
    bool Await(int timeoutMs) {
        pollfd entry{fd_, POLLIN, 0};
        return ::poll(&entry, 1, timeoutMs) == 1 && (entry.revents & POLLIN) != 0;
    }

    bool AppendAvailable(std::vector<std::uint8_t>& bytes, std::size_t limit) {
        std::uint8_t chunk[4096];
        const ssize_t n = ::read(fd_, chunk, std::min(sizeof chunk, limit));
        if (n <= 0)
            return false;
        bytes.insert(bytes.end(), chunk, chunk + n);
        return true;
    }

    int fd_ = -1;
    std::string slavePath_;
};

}  // namespace tq::test
