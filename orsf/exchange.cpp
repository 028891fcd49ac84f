#include "exchange.h"

#include <algorithm>

#include "result_codes.h"
#include "rtu.h"

namespace rq36::orsf {

namespace {

// Once a reply has begun, the longest pause between its bytes before it
// counts as broken off.  Generous: USB adapters deliver in packets.
constexpr Clock::duration kMinByteGap = std::chrono::milliseconds(50);
constexpr std::uint32_t kMaxRetries = 15;

Clock::duration ByteGap(std::int32_t speed) { return std::max<Clock::duration>(kMinByteGap, rtu::FrameSilence(speed)); }

}  // namespace

bool Exchanger::AwaitSilence(const LineSettings& line, Clock::duration limit) {
    const Clock::time_point giveUp = Clock::now() + limit;
    std::vector<std::uint8_t> dropped;
    for (;;) {
        const Clock::time_point quietFrom = lastActivity_ + rtu::FrameSilence(line.speed);
        dropped.clear();
        switch (link_.Read(dropped, quietFrom)) {
        case Link::ReadResult::Timeout: link_.DiscardInput(); return true;
        case Link::ReadResult::Failed: return false;
        case Link::ReadResult::Data:
            lastActivity_ = Clock::now();
            if (lastActivity_ >= giveUp) return true;  // never quiet: send anyway
            break;
        }
    }
}

std::int32_t Exchanger::ReceiveReply(std::span<const std::uint8_t> sent, const LineSettings& line,
                                     std::vector<std::uint8_t>& buffer) {
    const Clock::time_point replyDeadline = Clock::now() + std::chrono::milliseconds(line.timeoutMs);
    const std::uint8_t station = sent[0];
    bool otherStation = false;
    buffer.clear();
    for (;;) {
        const Clock::time_point deadline = buffer.empty() ? replyDeadline : lastActivity_ + ByteGap(line.speed);
        switch (link_.Read(buffer, deadline)) {
        case Link::ReadResult::Failed: return kErrPortFailed;
        case Link::ReadResult::Timeout:
            if (!buffer.empty()) return kErrReplyBroken;
            return otherStation ? kErrNoValidReply : kErrNoReply;
        case Link::ReadResult::Data: lastActivity_ = Clock::now(); break;
        }
        for (;;) {
            std::size_t length = 0;
            switch (rtu::Examine(buffer, length)) {
            case rtu::FrameState::Incomplete: break;
            case rtu::FrameState::Garbled: return kErrHeader;
            case rtu::FrameState::BadCrc: return kErrChecksum;
            case rtu::FrameState::Complete: {
                const std::span<const std::uint8_t> frame(buffer.data(), length);
                // An adapter that hears its own transmission hands the
                // request back first; passed over like another station's frame.
                const bool echo =
                    frame.size() == sent.size() + rtu::kCrcBytes && std::equal(sent.begin(), sent.end(), frame.begin());
                if (echo || frame[0] != station) {
                    otherStation = otherStation || !echo;
                    buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length));
                    continue;
                }
                if (rtu::IsException(frame)) return ExceptionStatus(frame[2]);
                if (length < rtu::kHeader + rtu::kReplyPrefix + rtu::kCrcBytes) return kErrHeader;
                buffer.resize(length - rtu::kCrcBytes);
                return kOk;
            }
            }
            break;
        }
    }
}

ExchangeOutcome Exchanger::Run(std::span<const std::uint8_t> request, const LineSettings& line) {
    ExchangeOutcome out;
    std::vector<std::uint8_t> frame(request.begin(), request.end());
    rtu::AppendCrc(frame);
    const std::uint32_t retries = std::min(line.retries, kMaxRetries);
    const Clock::duration silenceLimit =
        std::max<Clock::duration>(std::chrono::milliseconds(line.timeoutMs), std::chrono::milliseconds(100));
    for (;;) {
        ++out.attempts;
        if (!AwaitSilence(line, silenceLimit)) {
            out.status = kErrPortFailed;
            return out;
        }
        if (!link_.Write(frame)) {
            out.status = kErrPortFailed;
            return out;
        }
        lastActivity_ = Clock::now();
        out.status = ReceiveReply(request, line, out.reply);
        const bool exception = out.status >= kErrExceptionBase;
        if (out.status == kOk || exception || out.status == kErrPortFailed || out.attempts > retries) break;
    }
    if (out.status != kOk) out.reply.clear();
    return out;
}

}  // namespace rq36::orsf
