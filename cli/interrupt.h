// Ctrl+C (and a polite kill) for rq36: noted, never acted on at once, so that
// a command ends between two exchanges with its last output complete.  And
// the little else rq36 asks of the terminal.
#pragma once

#include <atomic>

namespace rq36::cli {

void CatchInterrupts();
bool Interrupted();
// The flag itself, for a loop in the core that checks it before every
// exchange (RunBusScan's stop).
const std::atomic<bool>& InterruptFlag();
// Ends the command as Ctrl+C would (a reader of stdout went away).
void Interrupt();
// Sleeps up to `milliseconds`, waking early when interrupted.
void SleepUnlessInterrupted(int milliseconds);

// Whether stderr is a terminal (progress is shown only there).
bool StderrIsTerminal();

}  // namespace rq36::cli
