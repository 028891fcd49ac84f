// The serial port as the Modbus exchange sees it, and the one place that
// talks to the operating system about serial devices (one implementation
// file per platform).
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace rq36::orsf {

using Clock = std::chrono::steady_clock;

// What an exchange needs of a line: send a frame, wait for bytes.
class Link {
public:
    enum class ReadResult { Data, Timeout, Failed };
    virtual ~Link() = default;
    // Sends every byte and returns when they have left the port; false when
    // the device failed or the bytes had not left it by the deadline (a port
    // that does not drain: what is still queued is dropped).
    virtual bool Write(std::span<const std::uint8_t> bytes, Clock::time_point deadline) = 0;
    // Waits, without spinning, until bytes arrive or the deadline passes, and
    // appends what arrived.  A deadline in the past only collects what is
    // already waiting.
    virtual ReadResult Read(std::vector<std::uint8_t>& into, Clock::time_point deadline) = 0;
    // Drops whatever the port has received and not yet been read.
    virtual void DiscardInput() = 0;
};

enum class Parity { None, Even, Odd };

// Why a device could not be opened or set up.
enum class PortFailure {
    None,
    Missing,     // no such device
    Permission,  // the user may not open it
    Busy,        // another program holds it
    NotSerial,   // not a serial device
    Settings,    // speed or framing refused
};

class SerialPort : public Link {
public:
    // Opens the device for this process alone (a second opener is refused),
    // raw, 8 data bits.  Null with the reason on failure.
    static std::unique_ptr<SerialPort> Open(const std::string& device, PortFailure& failure);
    // Speed in Bd and parity; two stop bits without parity, one with it, as
    // Modbus RTU prescribes.
    virtual PortFailure Configure(std::int32_t speed, Parity parity) = 0;
};

// The group whose members may open the device (its group owner); empty when
// it cannot be told.
std::string DeviceGroup(const std::string& device);

}  // namespace rq36::orsf
