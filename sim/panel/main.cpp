// rq36-sim-panel: the front panel of the simulated RQ-36 modules.  Without
// arguments a window; with arguments the same controls from the command
// line, for scripts and tests:
//
//   rq36-sim-panel [--world NAME] [--set [MODULE/]KEY=VALUE]... [--get] [--list]
//
// --world picks the worlds whose name (ORSA .. ORSE, OX952, modbus) or
// process number matches; without it every world being served is changed.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <QApplication>

#include "panel_channel.h"
#include "panel_window.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: rq36-sim-panel [--world NAME|PID] [--set [MODULE/]KEY=VALUE]... [--get] [--list]\n"
                 "keys: ain0..ain5, din0, din1, cnt0_rate, cnt1_rate, status_hold, raise (docs/simulator.md)\n");
    return 2;
}

int CommandLine(const std::string& world, const std::vector<std::string>& requests, bool list) {
    int failures = 0;
    int served = 0;
    for (const rq36sim::PanelEndpoint& e : rq36sim::FindPanelWorlds()) {
        if (!world.empty() && world != e.world && world != std::to_string(e.pid)) continue;
        ++served;
        const std::string name = e.world + "-" + std::to_string(e.pid);
        if (list) std::printf("%s %s\n", name.c_str(), e.path.c_str());
        for (const std::string& request : requests) {
            std::string reply, error;
            if (!rq36sim::PanelRequest(e.path, request, reply, error)) {
                std::fprintf(stderr, "%s: %s\n", name.c_str(), error.c_str());
                ++failures;
                continue;
            }
            if (reply.rfind("error", 0) == 0 || reply.find("\nerror") != std::string::npos) ++failures;
            std::printf("%s: %s%s", name.c_str(), request == "get" ? "\n" : "", reply.c_str());
        }
    }
    if (served == 0) {
        std::fprintf(stderr, "rq36-sim-panel: no simulated world is served in %s\n", rq36sim::PanelDirectory().c_str());
        return 1;
    }
    return failures == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    std::string world;
    std::vector<std::string> requests;
    bool list = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--world" && hasValue) {
            world = argv[++i];
        } else if (arg == "--set" && hasValue) {
            requests.push_back(std::string("set ") + argv[++i]);
        } else if (arg == "--get") {
            requests.emplace_back("get");
        } else if (arg == "--list") {
            list = true;
        } else {
            return Usage();
        }
    }
    if (!requests.empty() || list) return CommandLine(world, requests, list);
    QApplication app(argc, argv);
    PanelWindow window;
    window.show();
    return app.exec();
}
