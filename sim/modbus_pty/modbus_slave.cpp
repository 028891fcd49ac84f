#include "modbus_slave.h"

#include <algorithm>

#include "rtu.h"

namespace rq36sim {

namespace {

constexpr std::size_t kResponseBytes = 16;  // r0..r5 and zeros
constexpr std::size_t kMessageBytes = 8;

}  // namespace

bool ModbusSlave::Listening(std::uint8_t station, const LineParams& line) const {
    const Message probe{station};
    return std::any_of(line_.Modules().begin(), line_.Modules().end(),
                       [&](const Module* m) { return m->Listens(probe, line); });
}

SlaveAnswer ModbusSlave::Answer(std::span<const std::uint8_t> request, const LineParams& line,
                                Clock::time_point arrival) {
    SlaveAnswer answer;
    // A frame that fails its CRC is not for anyone: silence.
    if (request.size() < 4 || !rq36::rtu::CrcMatches(request)) return answer;
    const std::uint8_t station = request[0];
    const std::size_t body = request.size() - rq36::rtu::kCrcBytes;

    if (request[1] != rq36::rtu::kFunction || body != rq36::rtu::kHeader + kMessageBytes ||
        (std::size_t{request[2]} << 8 | request[3]) != kMessageBytes) {
        // A module that hears its address answers what it cannot do.
        if (!Listening(station, line)) return answer;
        answer.frame = rq36::rtu::ExceptionFrame(
            station, request[1] != rq36::rtu::kFunction ? rq36::rtu::kIllegalFunction : rq36::rtu::kIllegalDataValue);
    } else {
        ExchangeRequest req;
        std::copy_n(request.begin() + rq36::rtu::kHeader, kMessageBytes, req.message.begin());
        req.message[0] = station;  // the module answers to the station address
        req.line = line;
        req.timeoutMs = 60000;  // the master's timeout is the master's affair
        req.retries = 0;
        // "First attempt corrupted": the repetition of a request whose reply
        // went out corrupted gets a good one.
        Faults faults = faults_;
        const bool repetition = std::equal(request.begin(), request.end(), corrupted_.begin(), corrupted_.end());
        if (faults.corruptReply == CorruptReplyFault::First && repetition)
            faults.corruptReply = CorruptReplyFault::None;
        const ExchangeResult r = line_.Exchange(req, faults, timing_, arrival);
        if (r.status == kStatusNoReply) return answer;

        std::vector<std::uint8_t> response(r.reply.data.begin(), r.reply.data.end());
        std::size_t n = kResponseBytes;
        if (faults_.modbusCount >= 0) n = static_cast<std::size_t>(faults_.modbusCount);
        response.resize(std::min(n, rq36::rtu::kMaxResponseBytes), 0);
        answer.frame =
            rq36::rtu::ReplyFrame(station, req.message[0], req.message[1], req.message[2], r.reply.replyByte, response);
        corrupted_.clear();
        if (r.status != kStatusOk) {
            // Two modules at once, or a disturbed line: the CRC does not hold.
            answer.frame.back() ^= 0x5A;
            corrupted_.assign(request.begin(), request.end());
        }
    }
    if (!timing_.instant) {
        const auto character = rq36::rtu::CharacterTime(line.speed);
        answer.lineTime = character * static_cast<std::int64_t>(request.size()) + rq36::rtu::FrameSilence(line.speed) +
                          timing_.turnaround + character * static_cast<std::int64_t>(answer.frame.size());
    }
    return answer;
}

}  // namespace rq36sim
