#include "card.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace rq36sim {

namespace {

constexpr int kIdTextBytes = 16;
constexpr std::uint16_t kAddressMask = kBufferSize - 1;

enum JobMode : std::uint8_t { kModeSingle = 0, kModeList = 1 };

void PutText(std::array<std::uint8_t, kBufferSize>& mem, int at, const std::string& text) {
    for (int i = 0; i < kIdTextBytes; ++i) {
        const auto c = i < static_cast<int>(text.size()) ? static_cast<std::uint8_t>(text[static_cast<std::size_t>(i)])
                                                         : std::uint8_t{' '};
        mem[static_cast<std::size_t>(at + i)] = c;
    }
}

void PutLe32(std::array<std::uint8_t, 16>& bytes, int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(at + i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

Card::Card(const CardSpec& spec, SimEnvironment& env) : spec_(spec), env_(env) {
    for (int c = 0; c < kCardChannels; ++c)
        channels_[static_cast<std::size_t>(c)].line = env.MakeLine(spec.channels[static_cast<std::size_t>(c)]);
    PutText(id_.memory, kIdTextAddress, spec.serial);
    PutText(id_.memory, kIdTextAddress + 0x10, spec.name);
    PutText(id_.memory, kIdTextAddress + 0x20, spec.fpga);
    PutText(id_.memory, kIdTextAddress + 0x30, spec.firmware);
}

void Card::Open(Clock::time_point now) {
    skipped_ = false;
    if (openCount_++ == 0) openedAt_ = now;
}

void Card::Close() {
    if (skipped_) {
        skipped_ = false;
        return;
    }
    if (openCount_ > 0) --openCount_;
}

std::uint32_t Card::MsSinceOpen(Clock::time_point t) const {
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(t - openedAt_).count());
}

AccessKind Card::Classify(std::int32_t offset, std::uint8_t value, bool isWrite) {
    if (offset < 0 || offset >= kIdWindow || offset % 4 != 0) return AccessKind::Plain;
    const int reg = (offset % kChannelWindowSize) / 4;
    if (reg == kRegEnable) return AccessKind::Plain;
    if (reg == kRegCommand) return isWrite && value == kCommandStart ? AccessKind::JobData : AccessKind::Plain;
    return AccessKind::JobData;
}

std::uint8_t Card::Read(std::int32_t offset) {
    if (offset < 0 || offset >= kBar1Size)
        throw std::runtime_error("OX952_MemRead: offset " + std::to_string(offset) + " outside BAR1");
    if (offset % 4 != 0) return 0xFF;
    if (offset < kCardChannels * kChannelWindowSize)
        return ReadChannel(channels_[static_cast<std::size_t>(offset / kChannelWindowSize)],
                           (offset % kChannelWindowSize) / 4);
    if (offset >= kIdWindow && offset < kIdWindow + kChannelWindowSize) return ReadId((offset - kIdWindow) / 4);
    return 0xFF;
}

void Card::Write(std::int32_t offset, std::uint8_t value) {
    if (offset < 0 || offset >= kBar1Size)
        throw std::runtime_error("OX952_MemWrite: offset " + std::to_string(offset) + " outside BAR1");
    if (offset % 4 != 0) return;
    if (offset < kCardChannels * kChannelWindowSize) {
        WriteChannel(channels_[static_cast<std::size_t>(offset / kChannelWindowSize)],
                     (offset % kChannelWindowSize) / 4, value);
    } else if (offset >= kIdWindow && offset < kIdWindow + kChannelWindowSize) {
        WriteId((offset - kIdWindow) / 4, value);
    }
}

std::uint8_t Card::ReadChannel(Channel& ch, int reg) {
    if (ch.pending) Settle(ch);
    switch (reg) {
    case kRegWriteAddrLow: return static_cast<std::uint8_t>(ch.writeAddr);
    case kRegWriteAddrHigh: return static_cast<std::uint8_t>(ch.writeAddr >> 8);
    case kRegReadPort: {
        if (!(ch.setup & kSetupRead)) return 0xFF;
        const std::uint8_t v = ch.buffer[ch.readAddr];
        ch.readAddr = (ch.readAddr + 1) & kAddressMask;
        return v;
    }
    case kRegReadAddrLow: return static_cast<std::uint8_t>(ch.readAddr);
    case kRegReadAddrHigh: return static_cast<std::uint8_t>(ch.readAddr >> 8);
    case kRegAccessSetup: return ch.setup;
    case kRegJobParam: return ch.jobParam;
    case kRegJobCount: return ch.jobCount;
    case kRegCommand: return ch.pending ? kCommandStart : ch.command;
    case kRegEnable: return ch.enabled ? 1 : 0;
    default: return 0;
    }
}

void Card::WriteChannel(Channel& ch, int reg, std::uint8_t value) {
    if (ch.pending) Settle(ch);
    switch (reg) {
    case kRegWritePort:
        if (!(ch.setup & kSetupWrite)) return;
        ch.buffer[ch.writeAddr] = value;
        ch.writeAddr = (ch.writeAddr + 1) & kAddressMask;
        return;
    case kRegWriteAddrLow: ch.writeAddr = (ch.writeAddr & 0xFF00) | value; return;
    case kRegWriteAddrHigh:
        ch.writeAddr = static_cast<std::uint16_t>(((value << 8) | (ch.writeAddr & 0xFF)) & kAddressMask);
        return;
    case kRegReadAddrLow: ch.readAddr = (ch.readAddr & 0xFF00) | value; return;
    case kRegReadAddrHigh:
        ch.readAddr = static_cast<std::uint16_t>(((value << 8) | (ch.readAddr & 0xFF)) & kAddressMask);
        return;
    case kRegAccessSetup: ch.setup = value; return;
    case kRegJobParam: ch.jobParam = value; return;
    case kRegJobCount: ch.jobCount = value; return;
    case kRegEnable:
        ch.enabled = value == 1;
        if (!ch.enabled) ch.started = false;
        return;
    case kRegCommand:
        if (ch.pending) return;  // busy: the controller ignores commands
        if (value == kCommandHandshake) {
            // The controller answers the start-up request by echoing it.
            ch.started = ch.enabled;
            ch.command = ch.started ? kCommandHandshake : 0;
        } else if (value == kCommandStart) {
            StartJob(ch);
        } else {
            ch.command = value;
        }
        return;
    default: return;
    }
}

void Card::StartJob(Channel& ch) {
    const Clock::time_point now = Clock::now();
    const auto at = [&](int k) { return ch.buffer[static_cast<std::size_t>(kJobBlockAddress + k)]; };
    const std::uint8_t mode = at(0);
    const std::optional<std::int32_t> speed = SpeedFromCode(at(2));
    const std::uint32_t retries = at(4);
    const std::uint32_t timeoutMs = static_cast<std::uint32_t>(at(6) | (at(7) << 8));
    const int count = mode == kModeList ? std::min<int>(ch.jobCount + 1, kSlots) : 1;

    PendingJob job;
    job.slots.resize(static_cast<std::size_t>(count));
    std::chrono::nanoseconds elapsed{0};
    for (int f = 0; f < count; ++f) {
        SlotResult& slot = job.slots[static_cast<std::size_t>(f)];
        PutLe32(slot.status, 4, MsSinceOpen(now + elapsed));
        if (!ch.started || (mode != kModeSingle && mode != kModeList)) {
            slot.status[0] = kStatusSendError;
            continue;
        }
        if (!speed) {
            slot.status[0] = kStatusLineSettings;
            continue;
        }
        ExchangeRequest req;
        std::copy_n(ch.buffer.begin() + f * kSlotBytes, req.message.size(), req.message.begin());
        req.line = LineParams{Protocol::Vextbus2, *speed, kParityEven};
        req.timeoutMs = timeoutMs;
        req.retries = retries;
        const ExchangeResult r = ch.line.Exchange(req, env_.ActiveFaults(), env_.LineTiming(), now + elapsed);
        elapsed += r.duration;
        slot.status[0] = r.status;
        slot.status[1] = r.reply.replyByte;
        slot.status[2] = r.repetitions;
        const auto tenths = std::llround(std::chrono::duration<double, std::micro>(r.duration).count() / 100.0);
        PutLe32(slot.status, 8, static_cast<std::uint32_t>(tenths));
        std::copy(r.reply.data.begin(), r.reply.data.end(), slot.response.begin());
    }
    if (!env_.ActiveFaults().jobNeverFinishes)
        job.due = env_.LineTiming().instant ? now : now + std::chrono::duration_cast<Clock::duration>(elapsed);
    ch.pending = std::move(job);
}

void Card::Settle(Channel& ch) {
    if (!ch.pending->due || Clock::now() < *ch.pending->due) return;
    for (std::size_t f = 0; f < ch.pending->slots.size(); ++f) {
        const SlotResult& slot = ch.pending->slots[f];
        auto* dst = ch.buffer.data() + f * kSlotBytes;
        std::copy(slot.status.begin(), slot.status.end(), dst);
        std::copy(slot.response.begin(), slot.response.end(), dst + slot.status.size());
    }
    ch.pending.reset();
    ch.command = 0;
}

std::uint8_t Card::ReadId(int reg) {
    switch (reg) {
    case 4: {
        if (id_.enable != 1 || !(id_.setup & kSetupRead)) return 0xFF;
        const std::uint8_t v = id_.memory[id_.readAddr];
        id_.readAddr = (id_.readAddr + 1) & kAddressMask;
        return v;
    }
    case 5: return static_cast<std::uint8_t>(id_.readAddr);
    case 6: return static_cast<std::uint8_t>(id_.readAddr >> 8);
    case 7: return id_.setup;
    case 8: return id_.enable;
    default: return 0;
    }
}

void Card::WriteId(int reg, std::uint8_t value) {
    switch (reg) {
    case 5: id_.readAddr = (id_.readAddr & 0xFF00) | value; return;
    case 6: id_.readAddr = static_cast<std::uint16_t>(((value << 8) | (id_.readAddr & 0xFF)) & kAddressMask); return;
    case 7: id_.setup = value; return;
    case 8: id_.enable = value; return;
    default: return;
    }
}

}  // namespace rq36sim
