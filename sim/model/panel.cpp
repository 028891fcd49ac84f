#include "panel.h"

#include "panel_channel.h"
#include "text_util.h"

namespace rq36sim {

namespace {

std::string Error(const std::string& why) { return "error " + why + "\n"; }

std::string Set(const std::vector<Module*>& modules, std::string_view assignment, Clock::time_point now) {
    const auto eq = assignment.find('=');
    if (eq == std::string_view::npos) return Error("expected set [<module>/]<key>=<value>");
    std::string_view key = Trim(assignment.substr(0, eq));
    const std::string_view value = Trim(assignment.substr(eq + 1));
    Module* target = modules.empty() ? nullptr : modules.front();
    if (const auto slash = key.find('/'); slash != std::string_view::npos) {
        const std::string id(Trim(key.substr(0, slash)));
        target = nullptr;
        for (Module* m : modules)
            if (m->Id() == id) target = m;
        if (!target) return Error("no module '" + id + "' here");
        key = Trim(key.substr(slash + 1));
    }
    if (!target) return Error("no module here");
    std::string why;
    if (!target->PanelSet(key, value, now, why)) return Error(why);
    return "ok\n";
}

}  // namespace

std::string PanelReply(const std::vector<Module*>& modules, std::string_view request, Clock::time_point now) {
    const std::string_view line = Trim(request);
    const auto space = line.find_first_of(" \t");
    const std::string verb = ToLower(line.substr(0, space));
    const std::string_view rest = space == std::string_view::npos ? std::string_view{} : Trim(line.substr(space));
    if (verb == "get" && rest.empty()) {
        std::string reply;
        for (const Module* m : modules) reply += "module " + m->Id() + "\n" + m->PanelReport(now);
        return reply + "ok\n";
    }
    if (verb == "set") return Set(modules, rest, now);
    if (verb == "help")
        return "get\nset [<module>/]<key>=<value>\nkeys: ain0..ain5 (short, open, dc/ac/drift/period/noise), "
               "din0, din1 (0, 1, loopback, pulse <period>), cnt0_rate, cnt1_rate, status_hold, raise "
               "(fn, prf, pwr, rst, err24); value config: back to the configuration\nok\n";
    return Error("unknown request '" + std::string(line.substr(0, 40)) + "' (get, set, help)");
}

std::string PanelModuleReport::Value(std::string_view key) const {
    for (const auto& [k, v] : values)
        if (k == key) return v;
    return {};
}

std::vector<PanelModuleReport> ParsePanelReport(const std::string& reply) {
    std::vector<PanelModuleReport> modules;
    for (std::string_view line : SplitList(reply, '\n')) {
        if (line.rfind("module ", 0) == 0) {
            modules.push_back({std::string(Trim(line.substr(7))), {}});
            continue;
        }
        const auto eq = line.find('=');
        if (eq == std::string_view::npos || modules.empty()) continue;
        modules.back().values.emplace_back(std::string(line.substr(0, eq)), std::string(line.substr(eq + 1)));
    }
    return modules;
}

}  // namespace rq36sim
