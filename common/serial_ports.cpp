#include "serial_ports.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace rq36::serial {

namespace {

// The file a path ends at after every link; the path itself when it does not
// exist.
std::filesystem::path Target(const std::string& path) {
    std::error_code error;
    const std::filesystem::path resolved = std::filesystem::canonical(path, error);
    return error ? std::filesystem::path(path).lexically_normal() : resolved;
}

}  // namespace

std::string PortVariable(int port) { return "RQ36_COM" + std::to_string(port); }

PortDevice ResolvePort(int port) {
    if (const char* named = std::getenv(PortVariable(port).c_str()); named && *named) return {named, true};
    return {DefaultDeviceForPort(port), false};
}

std::string DeviceForPort(int port) { return ResolvePort(port).device; }

std::optional<int> PortForDevice(const std::string& device) {
    if (device.empty()) return std::nullopt;
    const std::filesystem::path wanted = Target(device);
    for (const bool environment : {true, false}) {
        for (int port = kMinPort; port <= kMaxPort; ++port) {
            const PortDevice p = ResolvePort(port);
            if (p.fromEnvironment == environment && !p.device.empty() && Target(p.device) == wanted) return port;
        }
    }
    return std::nullopt;
}

}  // namespace rq36::serial
