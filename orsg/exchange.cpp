#include "exchange.h"

#include <thread>

#include "card_registers.h"
#include "library_state.h"
#include "orsg.h"

namespace orsg {
namespace {

constexpr uint8_t kFallbackSpeedCode = 4;

// Longest frame the wait bound allows for, each way, in characters of 11 bits.
constexpr int64_t kBoundFrameCharacters = 32;
constexpr int64_t kBitsPerCharacter = 11;
constexpr std::chrono::milliseconds kBoundMargin{1000};

// The card kept a job running past its bound.
struct CardNotAnswering {};

uint32_t Le32(const uint8_t* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

void WriteJobBlock(const ChannelWindow& window, const LibraryState& state, bool list) {
    const auto block = JobBlock(state, list);
    window.SetWriteAddress(kJobBlockAddress, false);
    for (uint8_t byte : block) window.Write(kRegWriteData, byte);
}

// Starts the job and waits until the command register reads 0.  The first
// read follows the start at once; then one read per millisecond.
void RunJob(const ChannelWindow& window, const LibraryState& state, int messages) {
    window.Write(kRegJobParam, 0);
    window.Write(kRegJobLastMessage, messages - 1);
    window.Write(kRegCommand, kCommandStart);
    if (window.Read(kRegCommand) == 0) return;
    const auto start = std::chrono::steady_clock::now();
    const auto bound = JobWaitBound(state, messages);
    for (;;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
        if (window.Read(kRegCommand) == 0) return;
        if (std::chrono::steady_clock::now() - start > bound) throw CardNotAnswering{};
    }
}

struct SlotContent {
    std::array<uint8_t, kSlotStatusSize> status;
    std::array<uint8_t, kResponseSize> response;
};

SlotContent ReadSlot(const ChannelWindow& window, int slot) {
    SlotContent content;
    window.SetReadAddress(slot * kMessageSlotSize);
    for (auto& byte : content.status) byte = window.Read(kRegReadData);
    for (auto& byte : content.response) byte = window.Read(kRegReadData);
    return content;
}

void WriteMessage(const ChannelWindow& window, int slot, const int32_t* message) {
    window.SetWriteAddress(slot * kMessageSlotSize, true);
    for (int i = 0; i < ORS_MESSAGE_BYTES; ++i) window.Write(kRegWriteData, message[i] & 0xFF);
}

// The index of the next record; counts the call.
void CountCall(LibraryState& state, CommRecord& record) {
    record.index = static_cast<int32_t>(state.stats.totalCalls);
    ++state.stats.totalCalls;
    ++state.stats.callsThisSecond;
}

void SetSent(CommRecord& record, const int32_t* message) {
    for (int i = 0; i < ORS_MESSAGE_BYTES; ++i) record.sent[static_cast<std::size_t>(i)] = message[i];
    for (std::size_t i = ORS_MESSAGE_BYTES; i < record.sent.size(); ++i) record.sent[i] = 0;
}

void CompleteRecord(CommRecord& record, const SlotContent& slot) {
    record.status = slot.status[0];
    record.repeats = slot.status[2];
    record.mark = Le32(&slot.status[4]);
    record.duration = Le32(&slot.status[8]);
}

}  // namespace

bool IsSupportedSpeed(int32_t speed) { return SpeedCode(speed) != kFallbackSpeedCode || speed == 9600; }

uint8_t SpeedCode(int32_t speed) {
    switch (speed) {
    case 600: return 0;
    case 1200: return 1;
    case 2400: return 2;
    case 4800: return 3;
    case 9600: return 4;
    case 19200: return 5;
    case 38400: return 6;
    case 57600: return 7;
    case 115200: return 8;
    case 230400: return 9;
    case 460800: return 10;
    case 691200: return 11;
    case 921600: return 12;
    case 1382400: return 13;
    case 2764800: return 14;
    default: return kFallbackSpeedCode;
    }
}

std::array<uint8_t, 8> JobBlock(const LibraryState& state, bool list) {
    return {static_cast<uint8_t>(list ? 1 : 0),
            0,
            SpeedCode(state.speed),
            0,
            static_cast<uint8_t>(state.retries),
            0,
            static_cast<uint8_t>(state.timeoutMs & 0xFF),
            static_cast<uint8_t>((state.timeoutMs >> 8) & 0xFF)};
}

std::chrono::milliseconds JobWaitBound(const LibraryState& state, int messages) {
    const int64_t speed = state.speed >= 600 ? state.speed : 600;
    const int64_t lineMs = (2 * kBoundFrameCharacters * kBitsPerCharacter * 1000 + speed - 1) / speed;
    const int64_t attemptMs = static_cast<int64_t>(state.timeoutMs) + lineMs;
    const int64_t attempts = static_cast<int64_t>(state.retries) + 1;
    return std::chrono::milliseconds(2 * messages * attempts * attemptMs) + kBoundMargin;
}

int32_t SendMessage(LibraryState& state, const int32_t* request, int32_t* response, int32_t* replyByte,
                    int32_t* status) {
    // Built in the history's spare slot: entering it costs no copy, and a
    // failed exchange leaves the history as it was.
    CommRecord& record = state.recent.Next();
    CountCall(state, record);
    state.stamper.Stamp(record.date, record.time);
    SetSent(record, request);

    SlotContent slot;
    try {
        const ChannelWindow window(state.bar1, state.channel);
        WriteMessage(window, 0, request);
        WriteJobBlock(window, state, false);
        RunJob(window, state, 1);
        slot = ReadSlot(window, 0);
    } catch (...) {
        ++state.stats.totalErrors;
        return ORSG_ERR_ACCESS;
    }

    CompleteRecord(record, slot);
    for (int i = 0; i < kResponseSize; ++i) {
        response[i] = slot.response[static_cast<std::size_t>(i)];
        record.received[static_cast<std::size_t>(i)] = slot.response[static_cast<std::size_t>(i)];
    }
    EnterRecord(state);
    *status = slot.status[0];
    *replyByte = slot.status[1];
    return ORSG_OK;
}

int32_t SendList(LibraryState& state, const int32_t* requests, int32_t* results, uint32_t count) {
    const ChannelWindow window(state.bar1, state.channel);
    StampText date{};
    StampText time{};
    std::size_t writeIndex = 0;
    std::size_t readIndex = 0;
    uint32_t remaining = count;
    try {
        while (remaining > 0) {
            const int jobSize = static_cast<int>(remaining < kMaxJobMessages ? remaining : kMaxJobMessages);
            remaining -= static_cast<uint32_t>(jobSize);
            const int32_t* jobRequests = requests + writeIndex;

            for (int f = 0; f < jobSize; ++f) {
                // All records of a job carry the stamp taken just before its
                // last message is written.
                if (f == jobSize - 1) state.stamper.Stamp(date, time);
                WriteMessage(window, f, requests + writeIndex);
                writeIndex += ORS_MESSAGE_BYTES;
            }
            WriteJobBlock(window, state, true);
            RunJob(window, state, jobSize);

            for (int f = 0; f < jobSize; ++f) {
                const SlotContent slot = ReadSlot(window, f);
                int32_t* out = results + readIndex;
                for (int i = 0; i < 4; ++i) out[i] = slot.response[static_cast<std::size_t>(i)];
                out[4] = slot.status[0];
                out[5] = slot.status[1];
                out[6] = 0;
                out[7] = 0;
                readIndex += 8;

                CommRecord& record = state.recent.Next();
                CountCall(state, record);
                record.date = date;
                record.time = time;
                CompleteRecord(record, slot);
                SetSent(record, jobRequests + static_cast<std::ptrdiff_t>(f) * ORS_MESSAGE_BYTES);
                record.received.fill(0);
                for (int i = 0; i < 4; ++i) record.received[static_cast<std::size_t>(i)] = out[i];
                EnterRecord(state);
            }
        }
    } catch (...) {
        ++state.stats.totalErrors;
        return ORSG_ERR_ACCESS;
    }
    return ORSG_OK;
}

}  // namespace orsg
