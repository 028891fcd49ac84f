// Ctrl+C (and a polite kill) for rq36: noted, never acted on at once, so that
// a command ends between two exchanges with its last output complete.
#pragma once

namespace rq36::cli {

void CatchInterrupts();
bool Interrupted();
// Sleeps up to `milliseconds`, waking early when interrupted.
void SleepUnlessInterrupted(int milliseconds);

}  // namespace rq36::cli
