// One Modbus RTU exchange with its repetitions: keeps the silence between
// frames, sends the request, waits for the reply within the reply timeout,
// checks it and tells what came.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "serial_port.h"

namespace rq36::orsf {

struct LineSettings {
    std::int32_t speed = 9600;
    std::uint32_t timeoutMs = 200;
    std::uint32_t retries = 2;  // repetitions after a failed attempt (at most 15)
};

// How long an exchange may take; every wait of the exchange ends by these.
//   silence  waiting for a quiet line before a request: the reply timeout, at
//            least 100 ms (then the request goes out anyway);
//   write    sending the request: its line time plus the reply timeout (a
//            port that does not drain ends the exchange with kErrPortFailed);
//   reply    the reply timeout for a frame to begin, and the frame in progress
//            then may finish; the whole wait at most the timeout plus twice
//            the longest frame's line time plus the byte gap.
// One attempt is bounded by their sum, the exchange by (retries + 1) times it.
Clock::duration SilenceBound(const LineSettings& line);
Clock::duration WriteBound(std::size_t requestBytes, const LineSettings& line);
Clock::duration ReplyBound(const LineSettings& line);
Clock::duration ExchangeBound(std::size_t requestBytes, const LineSettings& line);

struct ExchangeOutcome {
    std::int32_t status = 0;          // a code of result_codes.h
    std::vector<std::uint8_t> reply;  // with status 0: the reply frame without its CRC
    std::uint32_t attempts = 0;
};

class Exchanger {
public:
    explicit Exchanger(Link& link) : link_(link) {}

    // `request`: the frame without its CRC (station first).  A reply from
    // another station, or one whose address, command and d0 are not the
    // request's (a late reply to an earlier request), is passed over; an exception reply ends the exchange
    // without repetition; a failing device ends it with kErrPortFailed.
    ExchangeOutcome Run(std::span<const std::uint8_t> request, const LineSettings& line);

private:
    // Waits until the line has been quiet for a frame silence, dropping
    // anything that still arrives (a late reply, noise), at most `limit`.
    bool AwaitSilence(const LineSettings& line, Clock::duration limit);
    std::int32_t ReceiveReply(std::span<const std::uint8_t> sent, const LineSettings& line,
                              std::vector<std::uint8_t>& reply);

    Link& link_;
    Clock::time_point lastActivity_{};
};

}  // namespace rq36::orsf
