// The simulated hardware of one process: the configuration in force and the
// modules.  Each library built on the model (card driver, stand-ins) holds
// one, behind a function-local static, and reloads it when a host opens it.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "line.h"
#include "module.h"
#include "sim_config.h"
#include "state_file.h"

namespace rq36sim {

class SimEnvironment {
public:
    explicit SimEnvironment(WarnFn warn = WarnOnStderr) : warn_(warn) {}

    // Takes the current configuration.  Faults and timing always follow it;
    // cards, lines and modules only when `idle` (nothing of them in use).
    // Modules keep their memory while the state path stays the same.
    // Returns true when the topology was taken over.
    bool Reload(bool idle);
    // Same with a configuration given directly (in-process tests, benches).
    bool Reload(SimConfig cfg, bool idle);

    const SimConfig& Config() const { return config_; }
    const Faults& ActiveFaults() const { return faults_; }
    const Timing& LineTiming() const { return timing_; }
    Faults& ActiveFaults() { return faults_; }
    Timing& LineTiming() { return timing_; }

    Module* ModuleNamed(const std::string& id);
    // A line holding the modules named.
    Line MakeLine(const std::vector<std::string>& ids);

private:
    void SyncModules();

    WarnFn warn_;
    SimConfig config_ = SimConfig::Defaults();
    Faults faults_;
    Timing timing_;
    std::unique_ptr<StateStore> store_;
    std::map<std::string, std::unique_ptr<Module>> modules_;
};

}  // namespace rq36sim
