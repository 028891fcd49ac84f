// What a simulated module is connected to and how it behaves beyond its
// memory: the signal at each analog input, the level at each digital input,
// the rates of the counters and the status bits it raises by itself.  Set
// per module in the configuration file ([module <id>]; docs/simulator.md).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace rq36sim {

inline constexpr int kAnalogInputs = 6;
inline constexpr int kSetupChannels = 2;

// One part of a signal: a value in volts, in milliamperes, or as a fraction
// of the full scale of whatever range the input is set to.
struct SignalPart {
    enum class Unit : std::uint8_t { FullScale, Volt, MilliAmp };
    double value = 0.0;
    Unit unit = Unit::FullScale;
};

// The signal at an analog input: a DC level, an AC amplitude (peak) on top of
// it, a slow sinusoidal drift of the level, and the converter's noise.
struct InputSignal {
    SignalPart dc;
    SignalPart ac;
    SignalPart drift;  // amplitude of the drift
    double driftPeriodSeconds = 40.0;
    int noiseCounts = 2;  // +/- counts of the converter
    // false: connected at the front panel, so the test fixture's outputs
    // (short, reference) no longer switch this input.
    bool fixture = true;
};

// The level at a digital input terminal: the output of the same number wired
// back (loopback), a fixed level, or a square wave of the given period.
struct DigitalInputSpec {
    enum class Source : std::uint8_t { Loopback, Low, High, Pulse };
    Source source = Source::Loopback;
    double periodSeconds = 1.0;
};

struct ModuleSetup {
    std::array<InputSignal, kAnalogInputs> inputs = DefaultInputs();
    std::array<DigitalInputSpec, kSetupChannels> digitalInputs{};
    std::array<double, kSetupChannels> counterRates = {10.0, 25.0};  // counts per second
    std::array<std::uint8_t, 4> statusAtStart{};                     // raised when the module starts in a process
    std::array<std::uint8_t, 4> statusHeld{};                        // raised again right after every clear

    // The field signals of a module as delivered: 52 %, -31 %, 77 %, 13 %,
    // -64 %, 38 % of full scale, each drifting by 1 % of its level over 40 s.
    static std::array<InputSignal, kAnalogInputs> DefaultInputs();
};

enum class SetupKey { Unknown, Applied, Bad };

// Applies one key of a [module] section: ain0..ain5, din0, din1, cnt0_rate,
// cnt1_rate, status, status_hold.  Unknown: not one of these keys.  Bad: the
// value is wrong (error says why); the setup then stays as it was.
SetupKey ApplyModuleSetupKey(ModuleSetup& setup, std::string_view key, std::string_view value, std::string& error);

// Status bits by name: "fn", "prf", "pwr", "rst", "err24" (byte 0), or
// "<byte>.<bit>" for any bit, e.g. "3.7".
bool ParseStatusBits(std::string_view list, std::array<std::uint8_t, 4>& bits, std::string& error);

}  // namespace rq36sim
