// How tq9000ctl meets the signals that could end it in the middle of something that must be
// whole. A broken pipe never ends it: a write to a closed pipe fails where it is made and is
// handled there (lost standard output is a failure, a lost trace is given up). An interruption
// (SIGINT, SIGTERM, SIGHUP; on Windows Ctrl+C, Ctrl+Break, the console closing) that arrives
// while a Write All sends its frames, or while a saved profile's temporary file exists, takes
// effect once that is done, so that the printer never holds a mix of old and new values and no
// temporary file is left; the process then ends as that interruption ends it, with the status
// a shell expects of it. A Write All is bounded (twelve writes of at most 100 ms), so the wait is.
#pragma once

namespace tq {

// Called once, first thing: on POSIX a broken pipe no longer ends the process; on Windows the
// console's control handler that InterruptionsDeferred relies on is installed.
void TakeChargeOfSignals();

// While one of these lives, an interruption waits; when the last one goes, an interruption that
// came meanwhile ends the process.
class InterruptionsDeferred {
public:
    InterruptionsDeferred();
    ~InterruptionsDeferred();
    InterruptionsDeferred(const InterruptionsDeferred&) = delete;
    InterruptionsDeferred& operator=(const InterruptionsDeferred&) = delete;

private:
    unsigned deferredBefore_ = 0;  // which interruptions an outer scope (or the caller) held
};

}  // namespace tq
