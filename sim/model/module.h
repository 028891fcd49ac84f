// The RQ-36 module: answers the requests of its command set, keeps its
// configuration memory, status register, outputs and counters.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "analog.h"
#include "config_memory.h"
#include "faults.h"
#include "module_setup.h"
#include "sim_types.h"

namespace rq36sim {

// Status register, byte 0.
enum StatusBit : std::uint8_t { kStatusPwr = 0x10, kStatusRst = 0x20 };

// Module commands and registers.
enum Command : std::uint8_t {
    kCmdReadRegister = 0x00,
    kCmdWriteRegister = 0x01,
    kCmdReadStatus = 0x64,
    kCmdClearStatus = 0x65,
    kCmdReadConfig = 0x66,
    kCmdWriteConfig = 0x67,
    kCmdReadIdentity = 0xC8,
};

enum Register : std::uint8_t {
    kRegAinFirst = 0x00,
    kRegCombinedFirst = 0x11,
    kRegDigital = 0x40,
    kRegCounter0 = 0x50,
    kRegCounter1 = 0x51,
    kRegCounterRun = 0x70,
    kRegCounterClear = 0x71,
    kRegRawFirst = 0xD0,
    kRegRestart = 0xFF,
};

inline constexpr char kModuleName[] = "RQ-36   ";
inline constexpr char kModuleVersion[] = "1.02";

// What survives switching off: configuration memory, the communication
// settings in force and the status register.
struct ModuleState {
    ConfigMemory memory;
    CommSettings active;
    std::array<std::uint8_t, 4> status{};

    // A module as it leaves the factory, just powered up for the first time.
    static ModuleState Factory(const CommSettings& comm);
};

// One counter input, counting at a fixed rate while it runs.
class Counter {
public:
    explicit Counter(double perSecond) : rate_(perSecond) {}
    std::uint32_t Value(Clock::time_point now) const;
    void Set(std::uint32_t v, Clock::time_point now);
    void Run(bool on, Clock::time_point now);
    // A new rate from now on; what was counted so far stays.
    void SetRate(double perSecond, Clock::time_point now);
    bool Running() const { return running_; }

private:
    double rate_;
    std::uint32_t base_ = 0;
    Clock::time_point since_{};
    bool running_ = false;
};

class Module {
public:
    using SaveHook = std::function<void(const Module&)>;

    Module(std::string id, ModuleState state, const Faults* faults);

    const std::string& Id() const { return id_; }
    const ModuleState& State() const { return state_; }
    void SetSaveHook(SaveHook hook) { save_ = std::move(hook); }
    void SetFaults(const Faults* faults) { faults_ = faults; }
    AnalogFrontEnd& Analog() { return analog_; }
    // What the module is connected to (signals, digital inputs, counter
    // rates, status conditions).  starting: the module starts now in this
    // process, so the status bits it raises at start are set.
    void Configure(const ModuleSetup& setup, bool starting, Clock::time_point now);

    // Does the module take this request off the line?
    bool Listens(const Message& m, const LineParams& line) const;
    // Carries the request out (the caller has checked listens()).
    ModuleReply Execute(const Message& m, Clock::time_point now);

    // Front panel: changes what the module is connected to, over the
    // configured setup, and keeps the change across reloads.  Keys as in a
    // [module] section (ain0..ain5, din0, din1, cnt0_rate, cnt1_rate,
    // status_hold; value "config" returns to the configuration), and
    // "raise" (status bits raised once).  False with error: nothing changed.
    bool PanelSet(std::string_view key, std::string_view value, Clock::time_point now, std::string& error);
    // What the panel shows, one "key=value" a line: settings in force,
    // outputs, inputs, counters, status register, the panel's changes.
    std::string PanelReport(Clock::time_point now) const;

    std::uint8_t Outputs() const { return dout_; }
    std::uint8_t Inputs(Clock::time_point now) const;
    InputSource CurrentSource() const;

private:
    ModuleReply ReadRegister(std::uint8_t reg, Clock::time_point now);
    ModuleReply WriteRegister(std::uint8_t reg, const Message& m, Clock::time_point now);
    ModuleReply ReadConfig(const Message& m) const;
    ModuleReply WriteConfig(const Message& m);
    ModuleReply ReadIdentity(std::uint8_t part) const;
    void Restart(Clock::time_point now);
    void PowerUpVolatile(Clock::time_point now);
    void Saved() const;

    std::int64_t RawReading(int input, Clock::time_point now);
    // Calibrated reading and its decimals, in V or A.
    std::pair<std::int64_t, int> CalibratedReading(int input, Clock::time_point now);

    std::string id_;
    ModuleState state_;
    const Faults* faults_;
    SaveHook save_;
    AnalogFrontEnd analog_;
    std::uint8_t dout_ = 0;
    void ApplySetup(Clock::time_point now);

    ModuleSetup configured_;                    // as the configuration file has it
    std::map<std::string, std::string> panel_;  // front panel's changes, key -> value
    ModuleSetup setup_;                         // in force: configured_ and panel_
    std::array<Counter, 2> counters_{Counter(setup_.counterRates[0]), Counter(setup_.counterRates[1])};
};

}  // namespace rq36sim
