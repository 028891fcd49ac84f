// Card search, opening, channel start-up, identification read and closing.
#pragma once

#include <chrono>
#include <cstdint>

namespace orsg {

struct LibraryState;

// How long the channel start-up may take before the card counts as not
// answering.  A working card answers at once.
inline constexpr std::chrono::milliseconds kStartUpWaitBound{1000};

// Searches the card the state's selection mode, bus and slot ask for, opens
// it, starts up the state's channel and reads the identification.  Returns
// 0, or 14 (driver library error), 15 (no card), 16 (no wanted card),
// 13 (the card did not start up the channel, or a register access failed).
// On failure no card is left open.
int32_t OpenCard(LibraryState& state);

// Closes the state's card (result ignored) and clears what the opening set.
void CloseCard(LibraryState& state);

}  // namespace orsg
