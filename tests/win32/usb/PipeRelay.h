// Test support: the device behind a mock USB printer's path under Wine. A named pipe that always
// has an instance listening, so that a program may close the device and open it again at once as
// it may with a real printer; bytes relayed between the handles opened on it and a serial line
// (the Linux tq9000-sim's terminal). The printer's bytes go to the newest handle that is still
// open. A read on the pipe completes with the bytes that have arrived, as on a USB printer.
// Stopping the relay, or the line hanging up, breaks the pipe of every handle still open: their
// next read fails as the read of an unplugged printer does.
//
// One relay per process: under Wine 8, an overlapped read of one serial line in a process that
// has another open was seen to complete only when the other line was used.
#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/win32/Win32Api.h"

namespace tq::test {

class PipeRelay {
public:
    // `pipe`: the pipe's name, as in \\.\pipe\NAME. `line`: the serial line, as Windows names it.
    // `onHangUp` runs on the relay's own thread once the line has hung up, just before every pipe
    // is broken.
    PipeRelay(std::string pipe, std::string line, std::function<void()> onHangUp);
    ~PipeRelay();
    PipeRelay(const PipeRelay&) = delete;
    PipeRelay& operator=(const PipeRelay&) = delete;

    // Opens the line and starts listening; false, with why in Error(), when either fails.
    bool Start();
    // Breaks every pipe and closes the line; returns once the relay's thread has ended.
    void Stop();
    const std::string& Error() const { return error_; }

private:
    struct Loop;
    void Run();

    std::string pipe_;
    std::string line_;
    std::function<void()> onHangUp_;
    std::string error_;
    HANDLE stop_ = nullptr;
    std::unique_ptr<Loop> loop_;
    std::thread thread_;
};

}  // namespace tq::test
