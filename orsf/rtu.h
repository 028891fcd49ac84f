// Modbus RTU framing as the RQ-36 uses it: function 69 carries the module's
// eight-byte message; the reply carries address, command, d0, the reply byte
// and the response bytes.  Pure code shared by the interface library and the
// simulator that serves the module on a pseudo-terminal.
//
// Wire layout (the count field counts the bytes that follow it, both ways):
//   request  station, 69, count hi, count lo (8), address, command, d0..d5, CRC lo, CRC hi
//   reply    station, 69, count hi, count lo (4 + n), address, command, d0,
//            reply byte, n response bytes, CRC lo, CRC hi
//   exception station, 69 | 0x80, exception code, CRC lo, CRC hi
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace rq36::rtu {

inline constexpr std::uint8_t kFunction = 69;
inline constexpr std::uint8_t kExceptionFlag = 0x80;
inline constexpr std::size_t kMaxFrame = 256;  // station .. CRC
inline constexpr std::size_t kHeader = 4;      // station, function, count (2)
inline constexpr std::size_t kCrcBytes = 2;
inline constexpr std::size_t kExceptionFrame = 5;
inline constexpr std::size_t kReplyPrefix = 4;  // address, command, d0, reply byte
inline constexpr std::size_t kMaxResponseBytes = kMaxFrame - kHeader - kReplyPrefix - kCrcBytes;

// Modbus exception codes a slave may send.
enum Exception : std::uint8_t {
    kIllegalFunction = 1,
    kIllegalDataAddress = 2,
    kIllegalDataValue = 3,
    kDeviceFailure = 4,
};

// CRC-16/MODBUS (polynomial 0xA001 reflected, initial 0xFFFF); sent low byte first.
std::uint16_t Crc16(std::span<const std::uint8_t> bytes);

// Appends the CRC to a frame body.
void AppendCrc(std::vector<std::uint8_t>& frame);
bool CrcMatches(std::span<const std::uint8_t> frame);

// ---- line timing ---------------------------------------------------------

// Bits of one character: start, 8 data, parity or a second stop bit, stop.
inline constexpr int kBitsPerCharacter = 11;
std::chrono::nanoseconds CharacterTime(std::int32_t speed);
// The silence that ends a frame: 3.5 characters, at least 1.75 ms above
// 19200 Bd as the Modbus serial line rules fix it.
std::chrono::nanoseconds FrameSilence(std::int32_t speed);

// ---- reading a frame as it arrives ----------------------------------------

enum class FrameState {
    Incomplete,  // more bytes are needed
    Complete,    // a whole frame with a valid CRC
    BadCrc,      // a whole frame whose CRC does not match
    Garbled,     // cannot be a frame of this protocol (unknown function, count out of range)
};

// Looks at the bytes received so far.  `length` receives the frame's full
// length once the header tells it (0 before).
FrameState Examine(std::span<const std::uint8_t> bytes, std::size_t& length);

// A frame is an exception reply (function with the exception flag).
inline bool IsException(std::span<const std::uint8_t> frame) {
    return frame.size() >= 2 && frame[1] == (kFunction | kExceptionFlag);
}

// The request frame of a message: station, 69, 0, 8, the eight bytes, CRC.
std::vector<std::uint8_t> RequestFrame(std::uint8_t station, std::span<const std::uint8_t, 8> message);

// The reply frame: station, 69, count, address, command, d0, reply byte,
// the response bytes, CRC.
std::vector<std::uint8_t> ReplyFrame(std::uint8_t station, std::uint8_t address, std::uint8_t command, std::uint8_t d0,
                                     std::uint8_t replyByte, std::span<const std::uint8_t> response);
std::vector<std::uint8_t> ExceptionFrame(std::uint8_t station, std::uint8_t code);

}  // namespace rq36::rtu
