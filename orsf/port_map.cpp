#include "port_map.h"

#include <cstdlib>

#include "serial_port.h"

namespace rq36::orsf {

std::string DeviceForPort(int port) {
    const std::string variable = "RQ36_COM" + std::to_string(port);
    if (const char* named = std::getenv(variable.c_str()); named && *named) return named;
    return DefaultDeviceForPort(port);
}

}  // namespace rq36::orsf
