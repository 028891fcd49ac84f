// Faults the simulated hardware can be told to show, for tests.  They are
// switched by the [faults] section of the configuration file or by the
// environment variable RQ36_SIM_FAULT ("name[=value],name[=value],...").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rq36sim {

enum class MemAccessFault { None, Always, Jobs, After };
enum class CorruptReplyFault { None, Always, First };

struct Faults {
    // Card driver library.
    std::string failingDriverCall;   // e.g. "OpenMulti"; empty = none
    int failingDriverCard = -1;      // card index it fails for, -1 = every card
    bool noCard = false;             // the driver counts no card
    bool noOrsgCard = false;         // cards report identifiers other than 0x401
    bool jobNeverFinishes = false;   // the command register stays busy
    MemAccessFault memAccess = MemAccessFault::None;
    std::uint64_t memAccessAfter = 0;  // with After: accesses that still succeed

    // Line and module.
    CorruptReplyFault corruptReply = CorruptReplyFault::None;
    bool writeMismatch = false;      // the module stores value XOR 1
    bool moduleSilent = false;       // no module answers at all

    // Stand-in libraries.
    std::int32_t modbusCount = -1;   // ORSF reply claims this byte count (>= 0)
    bool noDevice = false;           // Init finds no device

    bool driverCallFails(std::string_view call, int card) const {
        return failingDriverCall == call && (failingDriverCard < 0 || failingDriverCard == card);
    }
};

// Applies one "name" or "name=value"; false with a message when unknown or
// malformed (the faults stay as they were).
bool applyFault(Faults& faults, std::string_view name, std::string_view value, std::string& error);

// Applies a comma-separated list; bad entries are reported through warn.
void applyFaultList(Faults& faults, std::string_view list, void (*warn)(const std::string&));

}  // namespace rq36sim
