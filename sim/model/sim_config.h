// What the simulated hardware consists of: cards, modules on each card
// channel and on each stand-in library's line, timing, faults and the state
// file.  Read from the file named by RQ36_SIM_CONFIG and the environment
// (RQ36_SIM_STATE, RQ36_SIM_INSTANT, RQ36_SIM_FAULT); see docs/simulator.md.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "config_memory.h"
#include "faults.h"
#include "line.h"
#include "module_setup.h"

namespace rq36sim {

inline constexpr std::int32_t kDidOrsg = 0x401;
inline constexpr int kCardChannels = 4;

struct ModuleSpec {
    std::string id;
    CommSettings factory;  // communication settings as delivered
    bool noise = true;
    ModuleSetup setup;  // signals, digital inputs, counter rates, status conditions
};

struct CardSpec {
    std::int32_t did = kDidOrsg;
    std::int32_t bus = 2;
    std::int32_t slot = 5;
    std::array<std::vector<std::string>, kCardChannels> channels;  // module ids per EUART
    std::string serial = "OX952-00417-2026";
    std::string name = "ORS-G 4xEUART";
    std::string fpga = "FPGA OX952 v2.10";
    std::string firmware = "FW ORS-G v1.04";
};

// The stand-in interface libraries, each with a line of its own.
enum class StandIn { Orsa, Orsb, Orsd, Orse, Orsf };
inline constexpr int kStandIns = 5;

struct SimConfig {
    std::vector<CardSpec> cards;
    std::vector<ModuleSpec> modules;  // every module named anywhere
    std::array<std::vector<std::string>, kStandIns> standInLines;
    Timing timing;
    Faults faults;
    std::string statePath;  // ":memory:..." = nothing on disk

    // One ORS-G card (bus 2, slot 5) with module "main" on EUART1; "main" on
    // the lines of ORSA, ORSB, ORSD, ORSE; module "modbus" on ORSF's line.
    static SimConfig Defaults();
    const ModuleSpec* ModuleNamed(std::string_view id) const;
};

using WarnFn = void (*)(const std::string&);
void WarnOnStderr(const std::string& message);

// Applies the text of a configuration file over `cfg`.  Bad lines are
// reported through warn and skipped.
void ApplyConfigText(SimConfig& cfg, std::string_view text, WarnFn warn);

// Defaults, then the file of RQ36_SIM_CONFIG, then the environment.
SimConfig LoadSimConfig(WarnFn warn = WarnOnStderr);

// The state file used when neither RQ36_SIM_STATE nor the file names one.
std::string DefaultStatePath();
bool IsInMemoryPath(std::string_view path);

// Environment access (empty when unset).
std::string EnvValue(const char* name);

}  // namespace rq36sim
