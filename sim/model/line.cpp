#include "line.h"

#include <algorithm>
#include <thread>

namespace rq36sim {

Nanos CharacterTime(std::int32_t speed) {
    if (speed <= 0) return Nanos(0);
    return Nanos(static_cast<std::int64_t>(kBitsPerCharacter) * 1'000'000'000 / speed);
}

Nanos FrameTime(double characters, std::int32_t speed) {
    if (speed <= 0) return Nanos(0);
    return Nanos(static_cast<std::int64_t>(characters * kBitsPerCharacter * 1e9 / speed));
}

namespace {

const FrameSizes& FramesOf(Protocol p) { return p == Protocol::ModbusRtu ? kModbusFrames : kVextbusFrames; }

}  // namespace

Nanos AnsweredExchangeTime(const LineParams& line, const Timing& timing) {
    const FrameSizes& f = FramesOf(line.protocol);
    return FrameTime(f.request + f.silence, line.speed) + timing.turnaround +
           FrameTime(f.reply + f.silence, line.speed);
}

ExchangeResult Line::Exchange(const ExchangeRequest& req, const Faults& faults, const Timing& timing,
                              Clock::time_point start) const {
    const FrameSizes& f = FramesOf(req.line.protocol);
    const Nanos requestTime = FrameTime(f.request + f.silence, req.line.speed);
    const Nanos replyTime = timing.turnaround + FrameTime(f.reply + f.silence, req.line.speed);
    const Nanos timeout = std::chrono::milliseconds(req.timeoutMs);

    // The line takes at most kMaxRetries repetitions, whatever it is told.
    const std::uint32_t retries = std::min(req.retries, kMaxRetries);
    ExchangeResult result;
    // A request that a fault takes never reaches the module: the caller
    // waits for its timeout and gets the fault's status.
    if (const RequestFault* fault = faults.FailingRequest(req.message)) {
        result.status = fault->status;
        result.duration = requestTime + timeout;
        return result;
    }
    for (std::uint32_t attempt = 0;; ++attempt) {
        result.duration += requestTime;
        const Clock::time_point arrival = start + result.duration;

        ModuleReply reply;
        int answering = 0;
        for (Module* m : modules_) {
            if (!m->Listens(req.message, req.line)) continue;
            reply = m->Execute(req.message, arrival);
            ++answering;
        }

        // A reply that would begin after the timeout is not waited for.
        if (answering > 0 && timing.turnaround > timeout) answering = 0;
        if (answering == 0) {
            result.duration += timeout;
            result.status = kStatusNoReply;
        } else {
            result.duration += replyTime;
            const bool corrupted = answering > 1 || faults.corruptReply == CorruptReplyFault::Always ||
                                   (faults.corruptReply == CorruptReplyFault::First && attempt == 0);
            if (!corrupted) {
                result.status = kStatusOk;
                result.reply = reply;
                return result;
            }
            result.status = kStatusChecksum;
        }
        if (attempt >= retries) return result;
        ++result.repetitions;
    }
}

void WaitLineTime(Nanos duration, const Timing& timing) {
    if (timing.instant || duration <= Nanos(0)) return;
    std::this_thread::sleep_for(duration);
}

}  // namespace rq36sim
