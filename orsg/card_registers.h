// The ORS-G card's registers in its BAR1 window and the byte-wide accesses
// to them through the driver library.
#pragma once

#include <cstdint>

#include "varnel_ox952.h"

namespace orsg {

// Channel window of EUART channel c (0..3): BAR1 offset c * 0x40; register n
// of a window at window offset + 4 * n.
inline constexpr int32_t kChannelWindowSize = 0x40;
inline constexpr int32_t kChannelCount = 4;

enum ChannelRegister : int32_t {
    kRegWriteData = 0,  // write data port, address advances
    kRegWriteAddrLow = 1,
    kRegWriteAddrHigh = 2,
    kRegReadData = 4,  // read data port, address advances
    kRegReadAddrLow = 5,
    kRegReadAddrHigh = 6,
    kRegAccessSetup = 7,     // 3 after an address, before its burst
    kRegJobParam = 8,        // 0 before every job
    kRegJobLastMessage = 9,  // messages in the job minus one
    kRegCommand = 14,        // 1 starts a job, reads 0 when finished; 0xFE at start-up
    kRegChannelEnable = 15,  // 1 when the channel is taken into use
};

inline constexpr int32_t kAccessSetup = 3;
inline constexpr int32_t kCommandStart = 1;
inline constexpr int32_t kCommandStartUp = 0xFE;

// Identification window (BAR1 offsets).
inline constexpr int32_t kIdReadData = 0x310;
inline constexpr int32_t kIdReadAddrLow = 0x314;
inline constexpr int32_t kIdReadAddrHigh = 0x318;
inline constexpr int32_t kIdAccessSetup = 0x31C;
inline constexpr int32_t kIdEnable = 0x320;
inline constexpr int kIdMemorySize = 1024;
inline constexpr int kIdSerialNumber = 0x3B0;
inline constexpr int kIdCardName = 0x3C0;
inline constexpr int kIdFpga = 0x3D0;
inline constexpr int kIdFirmware = 0x3E0;

// Channel buffer layout.
inline constexpr int kMessageSlotSize = 32;
inline constexpr int kMaxJobMessages = 31;
inline constexpr int32_t kJobBlockAddress = 0x3F6;
inline constexpr int kJobBlockSize = 8;
inline constexpr int kSlotStatusSize = 16;
inline constexpr int kResponseSize = 16;

// Byte-wide accesses to one channel window.  A failing access throws out of
// the driver library; callers catch.
class ChannelWindow {
public:
    ChannelWindow(uintptr_t bar1, int32_t channel) : bar1_(bar1), base_(channel * kChannelWindowSize) {}

    void Write(ChannelRegister reg, int32_t value) const { OX952_MemWrite(bar1_, base_ + 4 * reg, value); }
    uint8_t Read(ChannelRegister reg) const { return static_cast<uint8_t>(OX952_MemRead(bar1_, base_ + 4 * reg)); }

    // Write burst: address low, high, (3 to register 7), then the bytes.
    void SetWriteAddress(int address, bool accessSetup) const {
        Write(kRegWriteAddrLow, address & 0xFF);
        Write(kRegWriteAddrHigh, (address >> 8) & 0xFF);
        if (accessSetup) Write(kRegAccessSetup, kAccessSetup);
    }
    // Read burst: address low, high, 3 to register 7; then read register 4.
    void SetReadAddress(int address) const {
        Write(kRegReadAddrLow, address & 0xFF);
        Write(kRegReadAddrHigh, (address >> 8) & 0xFF);
        Write(kRegAccessSetup, kAccessSetup);
    }

private:
    uintptr_t bar1_;
    int32_t base_;
};

}  // namespace orsg
