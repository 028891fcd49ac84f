// Basic vocabulary of the simulated hardware: the eight-byte message, the
// module's reply, line settings and the speed code table.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>

namespace rq36sim {

using Clock = std::chrono::steady_clock;

// Address, command, data bytes d0..d5.
using Message = std::array<std::uint8_t, 8>;

// What the module sends back: a reply byte and six data bytes r0..r5.
struct ModuleReply {
    std::uint8_t replyByte = 0;
    std::array<std::uint8_t, 6> data{};
};

// Reply byte values of the module.
enum ReplyCode : std::uint8_t {
    kReplyOk = 0x00,
    kReplyUnknownCommand = 0x01,
    kReplyBadSelector = 0x02,    // register, bank, address or identity part unknown
    kReplyNotAccessible = 0x03,  // register not readable / not writable
    kReplyBadValue = 0x04,       // value bytes refused (e.g. restart key)
    kReplyMismatch = 0x05,       // duplicated address or value bytes differ
};

enum class Protocol : std::uint8_t { Vextbus2 = 0, ModbusRtu = 1 };

// Parity as the module's configuration memory codes it.
enum ParityCode : std::uint8_t { kParityEven = 0, kParityOdd = 1, kParityNone = 2 };

// How a request reaches the line: protocol, speed and (Modbus only) parity.
struct LineParams {
    Protocol protocol = Protocol::Vextbus2;
    std::int32_t speed = 9600;
    std::uint8_t parity = kParityEven;
};

// Speed codes 0..14 of the card (the module uses 2..8).
inline constexpr std::array<std::int32_t, 15> kSpeedByCode = {
    600, 1200, 2400, 4800, 9600, 19200, 38400, 57600, 115200, 230400, 460800, 691200, 921600, 1382400, 2764800};

inline constexpr std::uint8_t kModuleSpeedCodeMin = 2;
inline constexpr std::uint8_t kModuleSpeedCodeMax = 8;

inline std::optional<std::int32_t> SpeedFromCode(int code) {
    if (code < 0 || code >= static_cast<int>(kSpeedByCode.size())) return std::nullopt;
    return kSpeedByCode[static_cast<std::size_t>(code)];
}

inline std::optional<int> CodeFromSpeed(std::int32_t speed) {
    for (std::size_t i = 0; i < kSpeedByCode.size(); ++i)
        if (kSpeedByCode[i] == speed) return static_cast<int>(i);
    return std::nullopt;
}

// Exchange status codes shared by the card and the stand-in libraries.
enum ExchangeStatus : std::uint8_t {
    kStatusOk = 0,
    kStatusLineSettings = 2,  // speed code or timeout the line cannot take
    kStatusSendError = 3,
    kStatusNoReply = 4,
    kStatusNoValidReply = 5,
    kStatusReplyBroken = 6,
    kStatusParity = 7,
    kStatusHeader = 8,
    kStatusChecksum = 9,
};

}  // namespace rq36sim
