// The module's analog inputs: the fourteen ranges, the signal each input
// sees, the raw (uncalibrated) converter reading and the calibrated value.
#pragma once

#include <array>
#include <cstdint>
#include <random>

#include "module_setup.h"
#include "sim_types.h"

namespace rq36sim {

inline constexpr int kRangeCodes = 14;

struct RangeInfo {
    double fullScale;        // in volts or milliamperes
    bool current;            // true: mA
    bool ac;                 // true: RMS value, never negative
    int scaleExponent;       // raw counts per base unit: 10^3 or 10^4 per volt, 10^6 per ampere
    std::uint8_t scaleByte;  // 0x80 + exponent, as the calibration record stores it
};

// Range of a code 0..13; nullptr for any other code (input switched off).
const RangeInfo* RangeOf(int code);

// Raw counts per volt or per milliampere of a range (1000 or 10000).
double CountsPerUnit(const RangeInfo& r);

// Four bytes: 23-bit magnitude r0..r2 (sign bit 7 of r2), decimals in r3.
std::array<std::uint8_t, 4> EncodeScaled(std::int64_t signedMagnitude, int decimals);

// Calibration constants of one input and range.
struct CalibrationRecord {
    std::int16_t offset = 0;
    std::uint16_t gain = 10000;
    std::uint16_t reference = 10000;
    std::uint8_t scale = 0x83;
};

// Where the test fixture connects the inputs, chosen by the digital outputs.
enum class InputSource { Field, Short, Reference };

// Produces the readings.  Each input has a built-in offset and gain error of
// its converter, so uncalibrated readings are visibly off until calibrated.
class AnalogFrontEnd {
public:
    explicit AnalogFrontEnd(std::uint32_t seed);

    void SetNoise(bool on) { noise_ = on; }
    void SetSignals(const std::array<InputSignal, kAnalogInputs>& inputs) { signals_ = inputs; }

    // True signal of input i on range r in volts or mA.
    double Signal(int input, const RangeInfo& r, InputSource src, Clock::time_point now) const;

    // Raw converter counts (1/countsPerUnit of a volt or mA).
    std::int64_t RawCounts(int input, const RangeInfo& r, InputSource src, Clock::time_point now);

    // Calibrated reading in units of 10^-scaleExponent of V or A.
    static std::int64_t Calibrate(std::int64_t raw, const CalibrationRecord& cal);

    static constexpr std::array<double, kAnalogInputs> kOffsetError = {12, -7, 25, -3, 9, -15};
    static constexpr std::array<double, kAnalogInputs> kGainError = {1.008, 0.994, 1.012, 0.997, 1.005, 0.991};
    static constexpr double kReferenceFraction = 0.9;

private:
    std::mt19937 rng_;
    bool noise_ = true;
    std::array<InputSignal, kAnalogInputs> signals_ = ModuleSetup::DefaultInputs();
    Clock::time_point epoch_;
};

}  // namespace rq36sim
