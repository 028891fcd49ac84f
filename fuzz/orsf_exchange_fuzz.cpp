// One Modbus exchange of libORSF.so (request, repetitions, reply checks)
// against a scripted line whose far side the input plays: chunks of bytes,
// whole frames the target builds (so valid CRCs are reached), the end of an
// attempt's answer, a write or a read that fails.
//
// The input: one byte of settings (repetitions 0..3, request d0), then
// records of a tag byte and what it needs:
//   0  raw chunk: a length byte, then that many bytes
//   1  a frame: station (1 or 2), whether command and d0 match the request,
//      exception or reply, the number of response bytes; CRC made valid or
//      spoiled by the low bit of the next byte
//   2  the end of this attempt's answer: the next write begins a new one
//   3  the next write fails
//   4  the next read fails
// Checked: the exchange ends, after at most repetitions + 1 attempts, with
// one request written per attempt that got to write; a good reply is a frame
// that really came, of the request's station, address, command and d0;
// every other outcome hands on no reply bytes.
#include <algorithm>
#include <deque>
#include <vector>

#include "exchange.h"
#include "fuzz_check.h"
#include "result_codes.h"
#include "rtu.h"

namespace {

using namespace rq36::orsf;
namespace rtu = rq36::rtu;
using Bytes = std::vector<std::uint8_t>;

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at = 0;
    bool Empty() const { return at >= size; }
    std::uint8_t Byte() { return at < size ? data[at++] : 0; }
};

struct Event {
    enum Kind { Chunk, EndOfAnswer, WriteFails, ReadFails } kind = Chunk;
    Bytes bytes;
};

class ScriptLink : public Link {
public:
    std::deque<Event> script;
    Bytes delivered;
    std::size_t writes = 0;

    bool Write(std::span<const std::uint8_t>, Clock::time_point) override {
        // The wait for silence has taken what was left of the previous
        // answer; the next one begins after its end.
        if (answering_ && !script.empty() && script.front().kind == Event::EndOfAnswer) script.pop_front();
        if (!script.empty() && script.front().kind == Event::WriteFails) {
            script.pop_front();
            return false;
        }
        ++writes;
        answering_ = true;
        return true;
    }
    // Nothing comes before the first request; after it, what is left of an
    // answer also reaches the wait for silence before the next one.
    ReadResult Read(Bytes& into, Clock::time_point) override {
        if (!answering_ || script.empty() || script.front().kind == Event::EndOfAnswer ||
            script.front().kind == Event::WriteFails)
            return ReadResult::Timeout;
        const Event e = script.front();
        script.pop_front();
        if (e.kind == Event::ReadFails) return ReadResult::Failed;
        into.insert(into.end(), e.bytes.begin(), e.bytes.end());
        delivered.insert(delivered.end(), e.bytes.begin(), e.bytes.end());
        return ReadResult::Data;
    }
    void DiscardInput() override {}

private:
    bool answering_ = false;
};

bool Contains(const Bytes& haystack, const Bytes& needle) {
    return std::search(haystack.begin(), haystack.end(), needle.begin(), needle.end()) != haystack.end();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Input in{data, size};
    const std::uint8_t settings = in.Byte();
    const LineSettings line{115200, 100, static_cast<std::uint32_t>(settings & 3)};
    const Bytes request = {1, 69, 0, 8, 1, 0xC8, static_cast<std::uint8_t>(settings >> 2), 0, 0, 0, 0, 0};

    ScriptLink link;
    while (!in.Empty() && link.script.size() < 512) {
        Event e;
        switch (in.Byte() % 5) {
        case 0: {
            const std::size_t n = in.Byte();
            for (std::size_t i = 0; i < n && !in.Empty(); ++i) e.bytes.push_back(in.Byte());
            break;
        }
        case 1: {
            const std::uint8_t how = in.Byte();
            const std::uint8_t station = how & 1 ? 2 : 1;
            const std::uint8_t command = how & 2 ? 0x66 : request[5];
            const std::uint8_t d0 = how & 4 ? static_cast<std::uint8_t>(request[6] + 1) : request[6];
            if (how & 8) {
                e.bytes = rtu::ExceptionFrame(station, in.Byte());
            } else {
                const Bytes response(in.Byte() % (rtu::kMaxResponseBytes + 1), 0x5A);
                e.bytes = rtu::ReplyFrame(station, 1, command, d0, in.Byte(), response);
            }
            if (in.Byte() & 1) e.bytes.back() ^= 0x01;
            break;
        }
        case 2: e.kind = Event::EndOfAnswer; break;
        case 3: e.kind = Event::WriteFails; break;
        case 4: e.kind = Event::ReadFails; break;
        }
        link.script.push_back(std::move(e));
    }

    Exchanger exchanger(link);
    const ExchangeOutcome out = exchanger.Run(request, line);
    FUZZ_CHECK(out.attempts >= 1 && out.attempts <= line.retries + 1);
    FUZZ_CHECK(link.writes == out.attempts || (out.status == kErrPortFailed && link.writes + 1 == out.attempts));
    if (out.status == kOk) {
        FUZZ_CHECK(out.reply.size() >= rtu::kHeader + rtu::kReplyPrefix);
        FUZZ_CHECK(std::equal(request.begin(), request.begin() + 2, out.reply.begin()));
        FUZZ_CHECK(std::equal(request.begin() + 4, request.begin() + 7, out.reply.begin() + 4));
        Bytes frame = out.reply;
        rtu::AppendCrc(frame);
        FUZZ_CHECK(Contains(link.delivered, frame));
    } else {
        FUZZ_CHECK(out.reply.empty());
        FUZZ_CHECK(out.status == kErrNoReply || out.status == kErrNoValidReply || out.status == kErrReplyBroken ||
                   out.status == kErrHeader || out.status == kErrChecksum || out.status == kErrPortFailed ||
                   (out.status >= kErrExceptionBase && out.status <= kErrExceptionBase + 11));
    }
    return 0;
}
