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
    explicit SimEnvironment(WarnFn warn = warnOnStderr) : warn_(warn) {}

    // Takes the current configuration.  Faults and timing always follow it;
    // cards, lines and modules only when `idle` (nothing of them in use).
    // Modules keep their memory while the state path stays the same.
    // Returns true when the topology was taken over.
    bool reload(bool idle);
    // Same with a configuration given directly (in-process tests, benches).
    bool reload(SimConfig cfg, bool idle);

    const SimConfig& config() const { return config_; }
    const Faults& faults() const { return faults_; }
    const Timing& timing() const { return timing_; }
    Faults& faults() { return faults_; }
    Timing& timing() { return timing_; }

    Module* module(const std::string& id);
    // A line holding the modules named.
    Line makeLine(const std::vector<std::string>& ids);

private:
    void syncModules();

    WarnFn warn_;
    SimConfig config_ = SimConfig::defaults();
    Faults faults_;
    Timing timing_;
    std::unique_ptr<StateStore> store_;
    std::map<std::string, std::unique_ptr<Module>> modules_;
};

}  // namespace rq36sim
