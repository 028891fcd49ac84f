#include "exchange.h"

#include <algorithm>

#include "result_codes.h"
#include "rtu.h"

namespace rq36::orsf {

namespace {

// Once a reply has begun, the longest pause between its bytes before it
// counts as broken off.  Generous: USB adapters deliver in packets.
constexpr Clock::duration kMinByteGap = std::chrono::milliseconds(50);
constexpr Clock::duration kMinSilenceWait = std::chrono::milliseconds(100);
constexpr std::uint32_t kMaxRetries = 15;
// Where the reply repeats the request's address, command and d0.
constexpr std::size_t kEchoedFields = 3;

Clock::duration ByteGap(std::int32_t speed) { return std::max<Clock::duration>(kMinByteGap, rtu::FrameSilence(speed)); }
Clock::duration Timeout(const LineSettings& line) { return std::chrono::milliseconds(line.timeoutMs); }
Clock::duration LineTime(std::size_t bytes, std::int32_t speed) {
    return rtu::CharacterTime(speed) * static_cast<std::int64_t>(bytes);
}

// A frame of this station that answers another request: its address,
// command and d0 differ from the request's.
bool AnswersAnotherRequest(std::span<const std::uint8_t> frame, std::span<const std::uint8_t> sent) {
    const std::size_t at = rtu::kHeader;
    if (sent.size() < at + kEchoedFields || frame.size() < at + kEchoedFields) return false;
    return !std::equal(sent.begin() + at, sent.begin() + at + kEchoedFields, frame.begin() + at);
}

}  // namespace

Clock::duration SilenceBound(const LineSettings& line) { return std::max(Timeout(line), kMinSilenceWait); }

Clock::duration WriteBound(std::size_t requestBytes, const LineSettings& line) {
    return LineTime(requestBytes, line.speed) + Timeout(line);
}

Clock::duration ReplyBound(const LineSettings& line) {
    return Timeout(line) + 2 * LineTime(rtu::kMaxFrame, line.speed) + ByteGap(line.speed);
}

Clock::duration ExchangeBound(std::size_t requestBytes, const LineSettings& line) {
    const std::int64_t attempts = std::int64_t{std::min(line.retries, kMaxRetries)} + 1;
    return attempts * (SilenceBound(line) + WriteBound(requestBytes, line) + ReplyBound(line));
}

bool Exchanger::AwaitSilence(const LineSettings& line, Clock::duration limit) {
    const Clock::time_point giveUp = Clock::now() + limit;
    std::vector<std::uint8_t> dropped;
    for (;;) {
        const Clock::time_point quietFrom = std::min(lastActivity_ + rtu::FrameSilence(line.speed), giveUp);
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
    const Clock::time_point start = Clock::now();
    // A frame must begin by the reply timeout; one in progress then may
    // finish, but the attempt as a whole ends by the reply bound, however
    // slowly bytes trickle in.
    const Clock::time_point replyDeadline = start + Timeout(line);
    const Clock::time_point attemptEnd = start + ReplyBound(line);
    const std::uint8_t station = sent[0];
    bool otherStation = false;
    auto nothingValid = [&otherStation] { return otherStation ? kErrNoValidReply : kErrNoReply; };
    buffer.clear();
    for (;;) {
        const bool frameBegins = buffer.empty();
        const Clock::time_point deadline =
            frameBegins ? replyDeadline : std::min(lastActivity_ + ByteGap(line.speed), attemptEnd);
        switch (link_.Read(buffer, deadline)) {
        case Link::ReadResult::Failed: return kErrPortFailed;
        case Link::ReadResult::Timeout: return frameBegins ? nothingValid() : kErrReplyBroken;
        case Link::ReadResult::Data:
            lastActivity_ = Clock::now();
            // Bytes already waiting when the timeout has passed begin a frame
            // too late to be waited for.
            if (frameBegins && lastActivity_ > replyDeadline) return nothingValid();
            break;
        }
        for (;;) {
            std::size_t length = 0;
            switch (rtu::Examine(buffer, length)) {
            case rtu::FrameState::Incomplete:
                if (Clock::now() >= attemptEnd) return kErrReplyBroken;
                break;
            case rtu::FrameState::Garbled: return kErrHeader;
            case rtu::FrameState::BadCrc: return kErrChecksum;
            case rtu::FrameState::Complete: {
                const std::span<const std::uint8_t> frame(buffer.data(), length);
                // An adapter that hears its own transmission hands the
                // request back first; passed over like another station's frame.
                const bool echo =
                    frame.size() == sent.size() + rtu::kCrcBytes && std::equal(sent.begin(), sent.end(), frame.begin());
                const bool exception = rtu::IsException(frame);
                if (!echo && frame[0] == station && exception) return ExceptionStatus(frame[2]);
                if (!echo && frame[0] == station && length < rtu::kHeader + rtu::kReplyPrefix + rtu::kCrcBytes)
                    return kErrHeader;
                // A reply to an earlier request that came after its timeout
                // is not this request's answer.
                if (echo || frame[0] != station || AnswersAnotherRequest(frame, sent)) {
                    otherStation = otherStation || !echo;
                    buffer.erase(buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(length));
                    // The next frame, if it has begun, began after this one:
                    // past the reply timeout it is not waited for.
                    if (!buffer.empty() && Clock::now() > replyDeadline) return nothingValid();
                    continue;
                }
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
    for (;;) {
        ++out.attempts;
        if (!AwaitSilence(line, SilenceBound(line)) ||
            !link_.Write(frame, Clock::now() + WriteBound(frame.size(), line))) {
            out.status = kErrPortFailed;
            break;
        }
        lastActivity_ = Clock::now();
        out.status = ReceiveReply(request, line, out.reply);
        const bool exception = out.status >= kErrExceptionBase;
        if (out.status == kOk || exception || out.status == kErrPortFailed || out.attempts > retries) break;
    }
    // Only a good reply is handed on; a failed attempt leaves none behind.
    if (out.status != kOk) out.reply.clear();
    return out;
}

}  // namespace rq36::orsf
