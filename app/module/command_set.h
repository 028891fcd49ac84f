// The RQ-36 module's command set: commands, registers, the configuration
// memory map, the layout of ConfigImage, the value encodings, and the request
// builders every dialog uses.
#pragma once

#include <array>
#include <cstdint>

#include <QString>

#include "connection_settings.h"

namespace rq36 {

// ---- commands --------------------------------------------------------------
inline constexpr std::uint8_t kCmdReadRegister = 0x00;
inline constexpr std::uint8_t kCmdWriteRegister = 0x01;
inline constexpr std::uint8_t kCmdReadStatusRegister = 0x64;
inline constexpr std::uint8_t kCmdClearStatusRegister = 0x65;
inline constexpr std::uint8_t kCmdReadConfigByte = 0x66;
inline constexpr std::uint8_t kCmdWriteConfigByte = 0x67;
inline constexpr std::uint8_t kCmdReadIdentity = 0xC8;

// The name of a command as the traffic monitor shows it ("identifikace");
// "neznámý příkaz" for a byte that is none of the above.
QString CommandName(std::uint8_t command);

// ---- registers (d0 of ReadRegister / WriteRegister) -------------------------
inline constexpr int kAnalogInputs = 6;
inline constexpr std::uint8_t kRegAnalogInput0 = 0x00;        // 0x00..0x05: AIN0..AIN5, scaled value
inline constexpr std::uint8_t kRegCombinedValue0 = 0x11;      // 0x11..0x16: pairs 0-1, 1-2, 2-0, 3-4, 4-5, 5-3
inline constexpr std::uint8_t kRegDigital = 0x40;             // read: DIN0/DIN1 bits; write: DOUT0/DOUT1 bits
inline constexpr std::uint8_t kRegCounter0 = 0x50;            // CNT0, 32-bit unsigned
inline constexpr std::uint8_t kRegCounter1 = 0x51;            // CNT1
inline constexpr std::uint8_t kRegCounterRun = 0x70;          // bit n: CNTn counts
inline constexpr std::uint8_t kRegCounterClear = 0x71;        // write only: bit n clears CNTn
inline constexpr std::uint8_t kRegUncalibratedInput0 = 0xD0;  // 0xD0..0xD5: uncalibrated AIN0..AIN5
inline constexpr std::uint8_t kRegRestart = 0xFF;             // write only
inline constexpr std::array<std::uint8_t, 4> kRestartValue = {0xFF, 0x01, 0x00, 0xFF};

constexpr std::uint8_t AnalogInputRegister(int input) { return static_cast<std::uint8_t>(kRegAnalogInput0 + input); }
constexpr std::uint8_t CombinedValueRegister(int pair) { return static_cast<std::uint8_t>(kRegCombinedValue0 + pair); }
constexpr std::uint8_t UncalibratedInputRegister(int input) {
    return static_cast<std::uint8_t>(kRegUncalibratedInput0 + input);
}

// ---- configuration memory --------------------------------------------------
inline constexpr std::uint8_t kConfigBank = 0;
inline constexpr std::uint8_t kCalibrationBankFirst = 30;
inline constexpr std::uint8_t kCalibrationBankLast = 32;
inline constexpr int kDigitalPorts = 4;

// Bank 0 addresses.
inline constexpr std::uint8_t kCfgRange0 = 0x00;             // 0x00..0x05: range code of AIN0..AIN5
inline constexpr std::uint8_t kCfgDigitalPort0 = 0x20;       // port p from 0x20 + 3p:
inline constexpr std::uint8_t kCfgInitialOutputOffset = 0;   //   initial output state
inline constexpr std::uint8_t kCfgInputNegationOffset = 1;   //   input negation
inline constexpr std::uint8_t kCfgOutputNegationOffset = 2;  //   output negation
inline constexpr std::uint8_t kCfgProtocol = 0x3B;
inline constexpr std::uint8_t kCfgParity = 0x3C;
inline constexpr std::uint8_t kCfgSpeed = 0x3E;
inline constexpr std::uint8_t kCfgModuleAddress = 0x3F;

constexpr std::uint8_t RangeAddress(int input) { return static_cast<std::uint8_t>(kCfgRange0 + input); }
constexpr std::uint8_t InitialOutputAddress(int port) {
    return static_cast<std::uint8_t>(kCfgDigitalPort0 + 3 * port + kCfgInitialOutputOffset);
}
constexpr std::uint8_t InputNegationAddress(int port) {
    return static_cast<std::uint8_t>(kCfgDigitalPort0 + 3 * port + kCfgInputNegationOffset);
}
constexpr std::uint8_t OutputNegationAddress(int port) {
    return static_cast<std::uint8_t>(kCfgDigitalPort0 + 3 * port + kCfgOutputNegationOffset);
}

// ---- ConfigImage byte indices ----------------------------------------------
// The speed code is the index in the speed table 600 .. 115200 Bd; the
// module runs at codes 2 (2400 Bd) to 8 (115200 Bd).
inline constexpr int kFirstModuleSpeedCode = 2;

inline constexpr int kImgModuleAddress = 0;
inline constexpr int kImgSpeedCode = 1;
inline constexpr int kImgParity = 2;            // 0 even, 1 odd, 2 none
inline constexpr int kImgProtocol = 3;          // 0 Vextbus-2, 1 Modbus RTU
inline constexpr int kImgRange0 = 4;            // 4..9
inline constexpr int kImgInputNegation0 = 11;   // 11..14, ports 0..3
inline constexpr int kImgOutputNegation0 = 17;  // 17..20
inline constexpr int kImgInitialOutput0 = 23;   // 23..26

// ---- requests and replies ----------------------------------------------------

// One request: command, selector d0 and data bytes d1..d5.
struct ModuleCommand {
    std::uint8_t command = 0;
    std::uint8_t d0 = 0;
    std::array<std::uint8_t, 5> data{};  // d1..d5
};

// What comes back: the status (0 = success) and, on success, the reply byte
// (d1) and the reply's data bytes r0..r3 (d2..d5); all 0 on failure.
struct ModuleReply {
    std::uint8_t status = 0;
    std::uint8_t replyByte = 0;
    std::array<std::uint8_t, 4> r{};
    bool Ok() const { return status == 0; }
};

ModuleCommand ReadRegisterCommand(std::uint8_t reg);
// The value's four bytes in d2..d5, least significant first.
ModuleCommand WriteRegisterCommand(std::uint8_t reg, std::uint32_t value);
ModuleCommand WriteRegisterCommand(std::uint8_t reg, const std::array<std::uint8_t, 4>& bytes);
ModuleCommand ReadStatusRegisterCommand();
ModuleCommand ClearStatusRegisterCommand();
// The address twice (d2, d3); the value twice (d4, d5).
ModuleCommand ReadConfigByteCommand(std::uint8_t bank, std::uint8_t address);
ModuleCommand WriteConfigByteCommand(std::uint8_t bank, std::uint8_t address, std::uint8_t value);
ModuleCommand ReadIdentityCommand(std::uint8_t part);  // part 0, 1 or 2
ModuleCommand RestartCommand();

// The four characters of one identification reply (Windows-1250 bytes).
// A control byte shows as '?', so the identity always has fifteen visible
// characters.
QString IdentityPart(std::uint8_t r0, std::uint8_t r1, std::uint8_t r2, std::uint8_t r3);

// ---- value encodings -------------------------------------------------------

// 23-bit magnitude b0 + 256 b1 + 65536 (b2 & 0x7F), sign in bit 7 of b2,
// divided by ten (b3 & 0x7F) times.  A zero magnitude is +0 whatever the sign.
double DecodeScaledValue(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3);
double DecodeScaledValue(const std::array<std::uint8_t, 4>& r);
// The number of decimal places of a scaled value.
int ScaledValueDecimals(std::uint8_t b3);

std::uint32_t DecodeUInt32(std::uint8_t b0, std::uint8_t b1, std::uint8_t b2, std::uint8_t b3);
std::uint32_t DecodeUInt32(const std::array<std::uint8_t, 4>& r);
std::array<std::uint8_t, 4> EncodeUInt32(std::uint32_t value);  // least significant first

// ---- sending -----------------------------------------------------------------

// The path a request takes to the module; tests put a scripted module here.
class ModuleLink {
public:
    virtual ~ModuleLink() = default;
    virtual ModuleReply Send(const ModuleCommand& command) = 0;
    // The message for a failed request's status, as a status bar shows it
    // after one blank.
    virtual QString StatusText(std::uint8_t status) = 0;
};

// Requests through the bound interface library to the record's module
// (InterfaceKind, LibraryHandle, ModuleAddress).  Without a handle nothing is
// sent and the reply carries status 10 (not bound), never a success.
class BoundModuleLink : public ModuleLink {
public:
    explicit BoundModuleLink(const ConnectionSettings& settings, std::int32_t* response = nullptr)
        : settings_(settings), response_(response) {}
    ModuleReply Send(const ModuleCommand& command) override;
    QString StatusText(std::uint8_t status) override;

private:
    const ConnectionSettings& settings_;
    std::int32_t* response_;
};

// One request through BoundModuleLink.
ModuleReply SendCommand(const ConnectionSettings& settings, const ModuleCommand& command,
                        std::int32_t* response = nullptr);

}  // namespace rq36
