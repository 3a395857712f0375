// Interruptions on POSIX: blocked while deferred, so that one that comes stays pending; unblocked
// again afterwards, when the kernel delivers it at once and its default action ends the process
// by that signal (the shell then sees 128 + its number). A signal the process was started with
// ignored (SIGHUP under nohup) stays ignored.
#include "platform/ProcessSignals.h"

#include <signal.h>

#include <iterator>

namespace tq {

namespace {

constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP};

}  // namespace

void TakeChargeOfSignals() {
    ::signal(SIGPIPE, SIG_IGN);
}

InterruptionsDeferred::InterruptionsDeferred() {
    sigset_t interruptions;
    sigset_t before;
    sigemptyset(&interruptions);
    for (const int signal : kInterruptions) {
        sigaddset(&interruptions, signal);
    }
    ::sigprocmask(SIG_BLOCK, &interruptions, &before);
    for (unsigned i = 0; i < std::size(kInterruptions); ++i) {
        if (sigismember(&before, kInterruptions[i]) == 1) {
            deferredBefore_ |= 1u << i;
        }
    }
}

InterruptionsDeferred::~InterruptionsDeferred() {
    sigset_t released;
    sigemptyset(&released);
    for (unsigned i = 0; i < std::size(kInterruptions); ++i) {
        if ((deferredBefore_ & (1u << i)) == 0) {
            sigaddset(&released, kInterruptions[i]);
        }
    }
    ::sigprocmask(SIG_UNBLOCK, &released, nullptr);
}

}  // namespace tq
