// The job exchange with the card: single messages and message lists.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>

namespace orsg {

struct LibraryState;

// Code of a line speed in the job block; a speed not in the table maps to 4.
uint8_t SpeedCode(int32_t speed);
bool IsSupportedSpeed(int32_t speed);

// The job block for the state's configuration, in buffer order.
std::array<uint8_t, 8> JobBlock(const LibraryState& state, bool list);

// How long ORSG waits for a job of `messages` messages before it takes the
// card as not answering: twice the longest time a working card can need
// (every attempt of every message running into the timeout, with generous
// frames on the line at the configured speed), plus one second.
std::chrono::milliseconds JobWaitBound(const LibraryState& state, int messages);

// ORSG_Send and ORSG_Send1 on a valid state (arguments checked by the
// caller).  Results: 0, or 13 when a register access failed or the card did
// not finish the job within JobWaitBound.
int32_t SendMessage(LibraryState& state, const int32_t* request, int32_t* response, int32_t* replyByte,
                    int32_t* status);
int32_t SendList(LibraryState& state, const int32_t* requests, int32_t* results, uint32_t count);

}  // namespace orsg
