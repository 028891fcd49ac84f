// Which device a port number of the connection dialog means.
#pragma once

#include <string>

namespace rq36::orsf {

inline constexpr int kMinPort = 1;
inline constexpr int kMaxPort = 255;

// The environment variable RQ36_COM<n> names the device of port n and always
// wins (a device path, a /dev/serial/by-id/ link, a pseudo-terminal); without
// it the platform's rule applies (DefaultDeviceForPort).  Empty: no device.
std::string DeviceForPort(int port);

}  // namespace rq36::orsf
