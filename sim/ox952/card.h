// An emulated ORS-G card: the BAR1 register windows of its four EUART
// channels and of its identification memory, and the firmware that runs
// each job against the modules on the channel's line.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "environment.h"
#include "line.h"
#include "sim_config.h"

namespace rq36sim {

inline constexpr std::int32_t kBar1Size = 0x400;
inline constexpr std::int32_t kChannelWindowSize = 0x40;
inline constexpr std::int32_t kIdWindow = 0x300;
inline constexpr int kBufferSize = 1024;
inline constexpr int kSlotBytes = 32;
inline constexpr int kSlots = 31;
inline constexpr int kJobBlockAddress = 0x3F6;
inline constexpr int kIdTextAddress = 0x3B0;

// Register numbers of a channel window (offset = 4 * number).
enum ChannelRegister : int {
    kRegWritePort = 0,
    kRegWriteAddrLow = 1,
    kRegWriteAddrHigh = 2,
    kRegReadPort = 4,
    kRegReadAddrLow = 5,
    kRegReadAddrHigh = 6,
    kRegAccessSetup = 7,
    kRegJobParam = 8,
    kRegJobCount = 9,
    kRegCommand = 14,
    kRegEnable = 15,
};

inline constexpr std::uint8_t kCommandStart = 1;
inline constexpr std::uint8_t kCommandHandshake = 0xFE;
inline constexpr std::uint8_t kSetupWrite = 0x01;
inline constexpr std::uint8_t kSetupRead = 0x02;

// What a register access does besides its effect, for the fault switches.
enum class AccessKind { Plain, JobData };

class Card {
public:
    Card(const CardSpec& spec, SimEnvironment& env);

    const CardSpec& Spec() const { return spec_; }
    // The driver counts openings: every opening is ended by one close.  The
    // search also closes the cards it skips, which it never opened; after
    // the card has been reported as not an ORS-G card (markSkipped), the
    // next close without an opening in between ends nobody's opening, so a
    // card hidden by a fault while a host has it open stays open for it.
    bool IsOpen() const { return openCount_ > 0; }
    void Open(Clock::time_point now);
    void Close();
    void MarkSkipped() { skipped_ = true; }
    void ClearSkipped() { skipped_ = false; }
    std::uintptr_t Base() const { return reinterpret_cast<std::uintptr_t>(this); }

    // Byte-wide register accesses at a BAR1 offset; an offset outside BAR1
    // throws std::runtime_error.
    std::uint8_t Read(std::int32_t offset);
    void Write(std::int32_t offset, std::uint8_t value);

    // Whether an access belongs to the job traffic of a channel (for the
    // fault that lets only the start-up and identification through).
    static AccessKind Classify(std::int32_t offset, std::uint8_t value, bool isWrite);

private:
    struct SlotResult {
        std::array<std::uint8_t, 16> status{};
        std::array<std::uint8_t, 16> response{};
    };
    struct PendingJob {
        std::vector<SlotResult> slots;
        std::optional<Clock::time_point> due;  // nullopt: never finishes
    };
    struct Channel {
        std::array<std::uint8_t, kBufferSize> buffer{};
        std::uint16_t writeAddr = 0;
        std::uint16_t readAddr = 0;
        std::uint8_t setup = 0;
        std::uint8_t jobParam = 0;
        std::uint8_t jobCount = 0;
        std::uint8_t command = 0;
        bool enabled = false;
        bool started = false;
        std::optional<PendingJob> pending;
        Line line;
    };
    struct IdWindow {
        std::array<std::uint8_t, kBufferSize> memory{};
        std::uint16_t readAddr = 0;
        std::uint8_t setup = 0;
        std::uint8_t enable = 0;
    };

    std::uint8_t ReadChannel(Channel& ch, int reg);
    void WriteChannel(Channel& ch, int reg, std::uint8_t value);
    std::uint8_t ReadId(int reg);
    void WriteId(int reg, std::uint8_t value);
    void StartJob(Channel& ch);
    void Settle(Channel& ch);
    std::uint32_t MsSinceOpen(Clock::time_point t) const;

    CardSpec spec_;
    SimEnvironment& env_;
    std::array<Channel, kCardChannels> channels_;
    IdWindow id_;
    int openCount_ = 0;
    bool skipped_ = false;
    Clock::time_point openedAt_{};
};

}  // namespace rq36sim
