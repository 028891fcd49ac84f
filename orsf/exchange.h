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
    std::uint32_t retries = 2;  // repetitions after a failed attempt
};

struct ExchangeOutcome {
    std::int32_t status = 0;          // a code of result_codes.h
    std::vector<std::uint8_t> reply;  // with status 0: the reply frame without its CRC
    std::uint32_t attempts = 0;
};

class Exchanger {
public:
    explicit Exchanger(Link& link) : link_(link) {}

    // `request`: the frame without its CRC (station first).  A reply from
    // another station is passed over; an exception reply ends the exchange
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
