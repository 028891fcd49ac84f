// The pseudo-terminal the simulated module listens on: the program opens its
// device (the slave side) as it would open a serial port; the simulator
// holds the other side.  One implementation file per platform.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "sim_types.h"

namespace rq36sim {

class PseudoTerminal {
public:
    enum class ReadResult { Data, Timeout, Interrupted, Failed };
    virtual ~PseudoTerminal() = default;

    // A new pseudo-terminal in raw mode; null with a message on failure.
    static std::unique_ptr<PseudoTerminal> Create(std::string& error);

    // The device path the program opens ("/dev/pts/3").
    virtual const std::string& DevicePath() const = 0;
    // The line settings the program has set on its side: speed and parity.
    // Nothing when they are not a Modbus RTU character frame (8 data bits).
    virtual std::optional<LineParams> Settings() const = 0;
    // Waits for bytes until the deadline (none: without limit).  Interrupted
    // when a signal arrived.
    virtual ReadResult Read(std::vector<std::uint8_t>& into, std::optional<Clock::time_point> deadline) = 0;
    virtual bool Write(std::span<const std::uint8_t> bytes) = 0;
    // Stops the program's side from sending (held) or lets it send again, as
    // an adapter that has stuck does: the program's writes find no room.
    virtual bool HoldProgramOutput(bool held) = 0;
};

// Signals that end the simulator (interrupt, termination) set this flag and
// interrupt a waiting Read.
void InstallStopSignals();
bool StopRequested();
// Asks for a termination signal when the process that started the simulator
// ends (where the system offers it; false elsewhere).
bool StopWithParent();

}  // namespace rq36sim
