// Which serial device a port number means, and which serial devices this
// machine has.  Shared by the Modbus RTU interface library, which opens the
// device, and the program, which shows it beside the port number.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace rq36::serial {

inline constexpr int kMinPort = 1;
inline constexpr int kMaxPort = 255;

// The device of a port and where it came from.
struct PortDevice {
    std::string device;            // empty: the port has no device
    bool fromEnvironment = false;  // named by RQ36_COM<n>
};

// The environment variable that names the device of a port: "RQ36_COM7".
std::string PortVariable(int port);

// RQ36_COM<n> names the device of port n and always wins (a device path, a
// /dev/serial/by-id/ link, a pseudo-terminal); without it the platform's
// rule applies (DefaultDeviceForPort).
PortDevice ResolvePort(int port);
// The device alone; empty: no device.
std::string DeviceForPort(int port);

// The port whose device is this one (the same file, through links too): a
// port named by RQ36_COM<n> first, then the platform's rule for a port that
// no variable redirects.  None when no port of 1..255 leads to it.
std::optional<int> PortForDevice(const std::string& device);

// ---- the platform's part (one implementation file per platform) ----------

// The device the platform's rule gives port number n; empty when none.
std::string DefaultDeviceForPort(int port);

// The serial devices present under root ("" or "/": this machine): each
// adapter by its /dev/serial/by-id/ name where it has one, then the
// /dev/ttyUSB*, /dev/ttyACM* and /dev/ttyS* devices no such name covers
// (a built-in port only when the kernel found a UART behind it), each group
// in number order.
std::vector<std::string> PresentSerialDevices(const std::string& root = {});

}  // namespace rq36::serial
