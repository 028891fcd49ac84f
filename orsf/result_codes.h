// Result and status codes of libORSF.so and their Czech texts.
#pragma once

#include <cstdint>
#include <string>

namespace rq36::orsf {

enum Code : std::int32_t {
    kOk = 0,
    kErrSpeed = 1,
    kErrNoReply = 4,
    kErrNoValidReply = 5,  // only frames of other stations came
    kErrReplyBroken = 6,   // a reply began and stopped short
    kErrHeader = 8,        // not a reply of function 69
    kErrChecksum = 9,
    kErrNoMemory = 10,
    kErrParams = 11,
    kErrHandle = 12,
    kErrComPort = 20,
    kErrTimeout = 26,
    kErrRetries = 27,
    kErrParity = 28,
    kErrModbusFrame = 29,
    // The device of the port (their texts name it).
    kErrPortNotMapped = 30,
    kErrPortMissing = 31,
    kErrPortPermission = 32,
    kErrPortBusy = 33,
    kErrPortNotSerial = 34,
    kErrPortSettings = 35,
    kErrPortFailed = 36,  // the device failed during an exchange
    // Modbus exception replies: kErrExceptionBase + exception code (1..11);
    // kErrExceptionBase itself for a code without a text of its own.
    kErrExceptionBase = 40,
};

// The code of a Modbus exception reply.
std::int32_t ExceptionStatus(std::uint8_t exceptionCode);

// The port the device texts speak of; kept from the last failure so that
// Error, which receives only the code, can name the device.
struct PortInfo {
    int port = 0;
    std::string device;
    std::string group;  // the group that may open it (permission texts)
};
void RememberPort(const PortInfo& info);

// The text of a code, UTF-8.
std::string ResultText(std::uint32_t code);

}  // namespace rq36::orsf
