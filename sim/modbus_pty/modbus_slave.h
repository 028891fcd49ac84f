// The module's side of Modbus RTU: takes a request frame off the line and
// tells what the modules on the line send back and when, as their own
// settings say.  No I/O; the simulator's main loop does that.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "line.h"
#include "sim_types.h"

namespace rq36sim {

struct SlaveAnswer {
    std::vector<std::uint8_t> frame;  // empty: nobody answers
    Nanos lineTime{0};                // from the request's arrival to the reply's last byte
};

class ModbusSlave {
public:
    ModbusSlave(const Line& line, const Faults& faults, const Timing& timing)
        : line_(line), faults_(faults), timing_(timing) {}

    // `request`: the bytes between two silences.  `line`: the speed and
    // parity the line runs at.  `arrival`: when the request reached the module.
    SlaveAnswer Answer(std::span<const std::uint8_t> request, const LineParams& line, Clock::time_point arrival);

private:
    bool Listening(std::uint8_t station, const LineParams& line) const;

    const Line& line_;
    const Faults& faults_;
    const Timing& timing_;
    std::vector<std::uint8_t> corrupted_;  // the request whose reply went out corrupted
};

}  // namespace rq36sim
