#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <atomic>

#include "interrupt.h"

namespace rq36::cli {

namespace {
std::atomic<bool> gInterrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

extern "C" void OnInterrupt(int) { gInterrupted.store(true); }
}  // namespace

void CatchInterrupts() {
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    // The exchange under way is finished: interrupted system calls go on.
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A reader that went away (rq36 read | head) ends the output, not the
    // program: the write fails and the command stops.
    signal(SIGPIPE, SIG_IGN);
}

bool Interrupted() { return gInterrupted.load(); }

const std::atomic<bool>& InterruptFlag() { return gInterrupted; }

void Interrupt() { gInterrupted.store(true); }

void SleepUnlessInterrupted(int milliseconds) {
    constexpr int kSliceMs = 20;
    while (milliseconds > 0 && !Interrupted()) {
        const int slice = milliseconds < kSliceMs ? milliseconds : kSliceMs;
        const timespec pause{0, static_cast<long>(slice) * 1000000L};
        nanosleep(&pause, nullptr);
        milliseconds -= slice;
    }
}

bool StderrIsTerminal() { return isatty(STDERR_FILENO) == 1; }

}  // namespace rq36::cli
