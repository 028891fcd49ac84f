// Faults the simulated hardware can be told to show, for tests.  They are
// switched by the [faults] section of the configuration file or by the
// environment variable RQ36_SIM_FAULT ("name[=value],name[=value],...").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim_types.h"

namespace rq36sim {

enum class MemAccessFault { None, Always, Jobs, After };
enum class CorruptReplyFault { None, Always, First };

// Requests that fail on the line: every request matching the command, the
// selector d0 (register or bank) and the configuration address d2 that are
// given (-1 = any), from the nth matching one on, fail with `status` instead
// of reaching the module, `times` times (-1 = without end).
struct RequestFault {
    int command = -1;
    int selector = -1;
    int address = -1;
    std::uint64_t nth = 1;
    std::uint8_t status = kStatusNoReply;
    int times = 1;
    // Counted as requests pass; a reload of the configuration starts afresh.
    mutable std::uint64_t seen = 0;
    mutable int struck = 0;

    // Counts the request and tells whether the fault takes it.
    bool Strikes(const Message& m) const;
};

// A configuration byte that always reads as `value`, whatever is stored.
struct ReadValueFault {
    int bank = 0;
    int address = 0;
    std::uint8_t value = 0;
};

struct Faults {
    // Card driver library.
    std::string failingDriverCall;  // e.g. "OpenMulti"; empty = none
    int failingDriverCard = -1;     // card index it fails for, -1 = every card
    bool noCard = false;            // the driver counts no card
    bool noOrsgCard = false;        // cards report identifiers other than 0x401
    bool jobNeverFinishes = false;  // the command register stays busy
    MemAccessFault memAccess = MemAccessFault::None;
    std::uint64_t memAccessAfter = 0;  // with After: accesses that still succeed

    // Line and module.
    CorruptReplyFault corruptReply = CorruptReplyFault::None;
    bool writeMismatch = false;  // the module stores value XOR 1
    bool moduleSilent = false;   // no module answers at all
    std::vector<RequestFault> failingRequests;
    std::vector<ReadValueFault> readValues;

    // Stand-in libraries.
    std::int32_t modbusCount = -1;  // ORSF reply claims this byte count (>= 0)
    bool noDevice = false;          // Init finds no device

    // The first request fault that takes this request, or nullptr.
    const RequestFault* FailingRequest(const Message& m) const;
    // The fixed value a configuration byte reads as, if any.
    const ReadValueFault* ReadValue(std::uint8_t bank, std::uint8_t address) const;

    bool DriverCallFails(std::string_view call, int card) const {
        return failingDriverCall == call && (failingDriverCard < 0 || failingDriverCard == card);
    }
};

// Applies one "name" or "name=value"; false with a message when unknown or
// malformed (the faults stay as they were).
bool ApplyFault(Faults& faults, std::string_view name, std::string_view value, std::string& error);

// Applies a comma-separated list; bad entries are reported through warn.
void ApplyFaultList(Faults& faults, std::string_view list, void (*warn)(const std::string&));

}  // namespace rq36sim
