#include "analog.h"

#include <cmath>

namespace rq36sim {

namespace {

constexpr std::array<RangeInfo, kRangeCodes> kRanges = {{
    {10.0, false, false, 3, 0x83},
    {5.0, false, false, 3, 0x83},
    {2.0, false, false, 3, 0x83},
    {1.0, false, false, 4, 0x84},
    {0.5, false, false, 4, 0x84},
    {0.2, false, false, 4, 0x84},
    {25.0, true, false, 6, 0x86},
    {10.0, false, true, 3, 0x83},
    {5.0, false, true, 3, 0x83},
    {2.0, false, true, 3, 0x83},
    {1.0, false, true, 4, 0x84},
    {0.5, false, true, 4, 0x84},
    {0.2, false, true, 4, 0x84},
    {20.0, true, true, 6, 0x86},
}};

constexpr std::int64_t kMaxMagnitude = 0x7FFFFF;
constexpr double kPi = 3.14159265358979323846;

}  // namespace

const RangeInfo* RangeOf(int code) {
    if (code < 0 || code >= kRangeCodes) return nullptr;
    return &kRanges[static_cast<std::size_t>(code)];
}

double CountsPerUnit(const RangeInfo& r) {
    // Voltage: 10^e counts per volt; current: 10^6 per ampere = 1000 per mA.
    return r.current ? 1000.0 : std::pow(10.0, r.scaleExponent);
}

std::array<std::uint8_t, 4> EncodeScaled(std::int64_t value, int decimals) {
    const bool negative = value < 0;
    std::int64_t magnitude = negative ? -value : value;
    if (magnitude > kMaxMagnitude) magnitude = kMaxMagnitude;
    const auto m = static_cast<std::uint32_t>(magnitude);
    return {static_cast<std::uint8_t>(m & 0xFF), static_cast<std::uint8_t>((m >> 8) & 0xFF),
            static_cast<std::uint8_t>(((m >> 16) & 0x7F) | (negative ? 0x80 : 0)),
            static_cast<std::uint8_t>(decimals & 0x7F)};
}

AnalogFrontEnd::AnalogFrontEnd(std::uint32_t seed) : rng_(seed), epoch_(Clock::now()) {}

namespace {

// A part of a signal on a range: a fraction of its full scale, or volts on a
// voltage range and milliamperes on a current range; a source of the other
// kind drives nothing into the input.
double PartOn(const SignalPart& part, const RangeInfo& r) {
    switch (part.unit) {
    case SignalPart::Unit::FullScale: return part.value * r.fullScale;
    case SignalPart::Unit::Volt: return r.current ? 0.0 : part.value;
    case SignalPart::Unit::MilliAmp: return r.current ? part.value : 0.0;
    }
    return 0.0;
}

}  // namespace

double AnalogFrontEnd::Signal(int input, const RangeInfo& r, InputSource src, Clock::time_point now) const {
    const InputSignal& s = signals_[static_cast<std::size_t>(input)];
    double level = 0.0;
    double ac = 0.0;
    if (!s.fixture) src = InputSource::Field;  // connected at the front panel
    switch (src) {
    case InputSource::Short: break;
    case InputSource::Reference: level = kReferenceFraction * r.fullScale; break;
    case InputSource::Field: {
        const double t = std::chrono::duration<double>(now - epoch_).count();
        level = PartOn(s.dc, r) + PartOn(s.drift, r) * std::sin(2.0 * kPi * t / s.driftPeriodSeconds + input);
        ac = PartOn(s.ac, r);
        break;
    }
    }
    // A DC range averages over whole periods of the AC part; an AC range
    // shows the true RMS value of the whole signal.
    return r.ac ? std::sqrt(level * level + ac * ac / 2.0) : level;
}

std::int64_t AnalogFrontEnd::RawCounts(int input, const RangeInfo& r, InputSource src, Clock::time_point now) {
    const auto i = static_cast<std::size_t>(input);
    double counts = Signal(input, r, src, now) * CountsPerUnit(r) * kGainError[i] + kOffsetError[i];
    const int noise = signals_[i].noiseCounts;
    if (noise_ && noise > 0) counts += std::uniform_int_distribution<int>(-noise, noise)(rng_);
    return static_cast<std::int64_t>(std::llround(counts));
}

std::int64_t AnalogFrontEnd::Calibrate(std::int64_t raw, const CalibrationRecord& cal) {
    const double reference = cal.reference == 0 ? 10000.0 : cal.reference;
    return std::llround(static_cast<double>(raw + cal.offset) * cal.gain / reference);
}

}  // namespace rq36sim
