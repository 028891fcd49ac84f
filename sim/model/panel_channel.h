// The front panel's local channel: a Unix-domain socket per simulated world
// in one folder (RQ36_SIM_PANEL_DIR; else $XDG_RUNTIME_DIR/rq36-sim; else
// /tmp/rq36-sim-<uid>), named <world>-<pid>.sock.  The server answers in a
// thread of its own; the handler must take the world's lock itself.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace rq36sim {

// The folder of the sockets; empty when the panel is switched off
// (RQ36_SIM_PANEL_DIR=off).
std::string PanelDirectory();

using PanelHandler = std::function<std::string(const std::string& request)>;

class PanelServer {
public:
    // Serves `world` until destroyed.  When the socket cannot be made, says
    // why on stderr once and serves nothing; the simulation goes on.
    PanelServer(const std::string& world, PanelHandler handler);
    ~PanelServer();
    PanelServer(const PanelServer&) = delete;
    PanelServer& operator=(const PanelServer&) = delete;

    // The socket's path; empty when nothing is served.
    const std::string& Path() const;

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

struct PanelEndpoint {
    std::string world;  // ORSA .. ORSE, OX952, modbus
    long pid = 0;
    std::string path;
};

// The worlds being served now (a socket nobody answers on is left over from
// a process that ended: it is removed).
std::vector<PanelEndpoint> FindPanelWorlds();

// One request and its whole reply (up to and including the "ok" or "error"
// line); false with error when the channel fails (no wait beyond timeoutMs).
bool PanelRequest(const std::string& path, const std::string& request, std::string& reply, std::string& error,
                  int timeoutMs = 3000);

// A "get" reply taken apart: each module's id and its key=value lines.
struct PanelModuleReport {
    std::string id;
    std::vector<std::pair<std::string, std::string>> values;
    std::string Value(std::string_view key) const;  // empty when absent
};
std::vector<PanelModuleReport> ParsePanelReport(const std::string& reply);

}  // namespace rq36sim
