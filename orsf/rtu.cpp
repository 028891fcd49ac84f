#include "rtu.h"

#include <algorithm>
#include <iterator>

namespace rq36::rtu {

std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t b : bytes) {
        crc ^= b;
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? static_cast<std::uint16_t>((crc >> 1) ^ 0xA001) : crc >> 1;
    }
    return crc;
}

void AppendCrc(std::vector<std::uint8_t>& frame) {
    const std::uint16_t crc = Crc16(frame);
    frame.push_back(static_cast<std::uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(crc >> 8));
}

bool CrcMatches(std::span<const std::uint8_t> frame) {
    if (frame.size() < kCrcBytes + 2) return false;
    const std::uint16_t crc = Crc16(frame.first(frame.size() - kCrcBytes));
    return frame[frame.size() - 2] == (crc & 0xFF) && frame[frame.size() - 1] == (crc >> 8);
}

std::chrono::nanoseconds CharacterTime(std::int32_t speed) {
    if (speed <= 0) return std::chrono::nanoseconds(0);
    return std::chrono::nanoseconds(std::int64_t{kBitsPerCharacter} * 1'000'000'000 / speed);
}

std::chrono::nanoseconds FrameSilence(std::int32_t speed) {
    constexpr std::chrono::nanoseconds kFixedAboveFastSpeeds = std::chrono::microseconds(1750);
    if (speed > 19200) return kFixedAboveFastSpeeds;
    return CharacterTime(speed) * 7 / 2;
}

FrameState Examine(std::span<const std::uint8_t> bytes, std::size_t& length) {
    length = 0;
    if (bytes.size() < 2) return FrameState::Incomplete;
    if (bytes[1] == (kFunction | kExceptionFlag)) {
        length = kExceptionFrame;
    } else if (bytes[1] == kFunction) {
        if (bytes.size() < kHeader) return FrameState::Incomplete;
        const std::size_t count = std::size_t{bytes[2]} << 8 | bytes[3];
        if (count > kMaxFrame - kHeader - kCrcBytes) return FrameState::Garbled;
        length = kHeader + count + kCrcBytes;
    } else {
        return FrameState::Garbled;
    }
    if (bytes.size() < length) return FrameState::Incomplete;
    return CrcMatches(bytes.first(length)) ? FrameState::Complete : FrameState::BadCrc;
}

std::vector<std::uint8_t> RequestFrame(std::uint8_t station, std::span<const std::uint8_t, 8> message) {
    std::vector<std::uint8_t> f(kHeader + message.size());
    f[0] = station;
    f[1] = kFunction;
    f[3] = static_cast<std::uint8_t>(message.size());
    std::copy(message.begin(), message.end(), f.begin() + kHeader);
    AppendCrc(f);
    return f;
}

std::vector<std::uint8_t> ReplyFrame(std::uint8_t station, std::uint8_t address, std::uint8_t command, std::uint8_t d0,
                                     std::uint8_t replyByte, std::span<const std::uint8_t> response) {
    if (response.size() > kMaxResponseBytes) response = response.first(kMaxResponseBytes);
    const std::size_t count = kReplyPrefix + response.size();
    std::vector<std::uint8_t> f(kHeader + count);
    const std::uint8_t head[] = {station,
                                 kFunction,
                                 static_cast<std::uint8_t>(count >> 8),
                                 static_cast<std::uint8_t>(count & 0xFF),
                                 address,
                                 command,
                                 d0,
                                 replyByte};
    std::copy(std::begin(head), std::end(head), f.begin());
    std::copy(response.begin(), response.end(), f.begin() + kHeader + kReplyPrefix);
    AppendCrc(f);
    return f;
}

std::vector<std::uint8_t> ExceptionFrame(std::uint8_t station, std::uint8_t code) {
    std::vector<std::uint8_t> f = {station, static_cast<std::uint8_t>(kFunction | kExceptionFlag), code};
    AppendCrc(f);
    return f;
}

}  // namespace rq36::rtu
