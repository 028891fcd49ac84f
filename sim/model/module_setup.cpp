#include "module_setup.h"

#include <charconv>
#include <cmath>

#include "text_util.h"

namespace rq36sim {

namespace {

constexpr std::array<double, kAnalogInputs> kFieldFraction = {0.52, -0.31, 0.77, 0.13, -0.64, 0.38};
constexpr double kDriftOfLevel = 0.01;
constexpr double kMaxRate = 1e6;
constexpr double kMaxSignal = 1e6;
constexpr double kOpenDrift = 0.02;
constexpr double kOpenDriftPeriod = 7.0;
constexpr int kOpenNoise = 40;

std::optional<double> ParseNumber(std::string_view text) {
    text = Trim(text);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    double value = 0.0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

// "5.2 V", "200mV", "12 mA", "150 uA", "52 %", "-0.31" (fraction of full scale).
std::optional<SignalPart> ParsePart(std::string_view text) {
    text = Trim(text);
    struct Suffix {
        std::string_view name;
        SignalPart::Unit unit;
        double factor;
    };
    static constexpr std::array<Suffix, 5> kSuffixes = {{{"mv", SignalPart::Unit::Volt, 1e-3},
                                                         {"ma", SignalPart::Unit::MilliAmp, 1.0},
                                                         {"ua", SignalPart::Unit::MilliAmp, 1e-3},
                                                         {"v", SignalPart::Unit::Volt, 1.0},
                                                         {"%", SignalPart::Unit::FullScale, 0.01}}};
    const std::string lower = ToLower(text);
    for (const Suffix& s : kSuffixes) {
        if (lower.size() <= s.name.size() || lower.compare(lower.size() - s.name.size(), s.name.size(), s.name) != 0)
            continue;
        const auto number = ParseNumber(text.substr(0, text.size() - s.name.size()));
        if (!number || std::fabs(*number) > kMaxSignal) return std::nullopt;
        return SignalPart{*number * s.factor, s.unit};
    }
    const auto number = ParseNumber(text);
    if (!number || std::fabs(*number) > kMaxSignal) return std::nullopt;
    return SignalPart{*number, SignalPart::Unit::FullScale};
}

// "500 ms", "2 s", "2".
std::optional<double> ParseSeconds(std::string_view text) {
    std::string lower = ToLower(Trim(text));
    double factor = 1.0;
    if (lower.size() > 2 && lower.compare(lower.size() - 2, 2, "ms") == 0) {
        factor = 1e-3;
        lower.resize(lower.size() - 2);
    } else if (lower.size() > 1 && lower.back() == 's') {
        lower.pop_back();
    }
    const auto number = ParseNumber(lower);
    if (!number || *number <= 0.0 || *number > 86400.0) return std::nullopt;
    return *number * factor;
}

// "dc 5 V, ac 1 V, drift 50 mV, period 20 s, noise 3"; a part without a
// name is the DC level.
bool ParseSignal(std::string_view value, InputSignal& signal, std::string& error) {
    InputSignal s;
    const std::string whole = ToLower(Trim(value));
    if (whole == "short") {
        // Terminals short-circuited: 0 V or 0 mA, the converter's noise only.
        s.dc = {};
        s.drift = {};
        signal = s;
        return true;
    }
    if (whole == "open") {
        // Nothing connected: the input floats, wandering slowly and noisy.
        s.dc = {};
        s.drift = {kOpenDrift, SignalPart::Unit::FullScale};
        s.driftPeriodSeconds = kOpenDriftPeriod;
        s.noiseCounts = kOpenNoise;
        signal = s;
        return true;
    }
    for (std::string_view item : SplitList(value, ',')) {
        item = Trim(item);
        if (item.empty()) continue;
        const auto space = item.find_first_of(" \t");
        const std::string name = ToLower(item.substr(0, space));
        const std::string_view rest = space == std::string_view::npos ? std::string_view{} : item.substr(space);
        const auto part = [&](SignalPart& target) {
            const auto p = ParsePart(rest);
            if (p) target = *p;
            return p.has_value();
        };
        bool ok = false;
        if (name == "dc") {
            ok = part(s.dc);
        } else if (name == "ac") {
            ok = part(s.ac);
        } else if (name == "drift") {
            ok = part(s.drift);
        } else if (name == "period") {
            const auto seconds = ParseSeconds(rest);
            if (seconds) s.driftPeriodSeconds = *seconds;
            ok = seconds.has_value();
        } else if (name == "noise") {
            const auto n = ParseInt(Trim(rest));
            if (n && *n >= 0 && *n <= 100000) s.noiseCounts = static_cast<int>(*n);
            ok = n && *n >= 0 && *n <= 100000;
        } else if (const auto p = ParsePart(item)) {
            s.dc = *p;
            ok = true;
        }
        if (!ok) {
            error = "'" + std::string(item) +
                    "': expected dc, ac or drift with a value (V, mV, mA, uA, % or a fraction of full scale), "
                    "period <seconds> or noise <counts> (or short, open)";
            return false;
        }
    }
    signal = s;
    return true;
}

bool ParseDigitalInput(std::string_view value, DigitalInputSpec& spec, std::string& error) {
    const std::string lower = ToLower(Trim(value));
    DigitalInputSpec s;
    if (lower == "loopback") {
        s.source = DigitalInputSpec::Source::Loopback;
    } else if (lower == "0" || lower == "low" || lower == "off") {
        s.source = DigitalInputSpec::Source::Low;
    } else if (lower == "1" || lower == "high" || lower == "on") {
        s.source = DigitalInputSpec::Source::High;
    } else if (lower.rfind("pulse", 0) == 0) {
        const auto seconds = ParseSeconds(std::string_view(lower).substr(5));
        if (!seconds) {
            error = "'" + std::string(value) + "': expected pulse <period>, e.g. pulse 500 ms";
            return false;
        }
        s.source = DigitalInputSpec::Source::Pulse;
        s.periodSeconds = *seconds;
    } else {
        error = "'" + std::string(value) + "': expected loopback, 0, 1 or pulse <period>";
        return false;
    }
    spec = s;
    return true;
}

}  // namespace

std::array<InputSignal, kAnalogInputs> ModuleSetup::DefaultInputs() {
    std::array<InputSignal, kAnalogInputs> inputs{};
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        inputs[i].dc = {kFieldFraction[i], SignalPart::Unit::FullScale};
        inputs[i].drift = {kFieldFraction[i] * kDriftOfLevel, SignalPart::Unit::FullScale};
    }
    return inputs;
}

bool ParseStatusBits(std::string_view list, std::array<std::uint8_t, 4>& bits, std::string& error) {
    static constexpr std::array<std::pair<std::string_view, int>, 5> kNames = {
        {{"fn", 1}, {"prf", 2}, {"pwr", 4}, {"rst", 5}, {"err24", 6}}};
    std::array<std::uint8_t, 4> result{};
    for (std::string_view item : SplitList(list, ',')) {
        const std::string name = ToLower(Trim(item));
        if (name.empty() || name == "none") continue;
        int byte = -1;
        int bit = -1;
        for (const auto& [n, b] : kNames)
            if (name == n) byte = 0, bit = b;
        if (byte < 0 && name.size() == 3 && name[1] == '.' && name[0] >= '0' && name[0] <= '3' && name[2] >= '0' &&
            name[2] <= '7') {
            byte = name[0] - '0';
            bit = name[2] - '0';
        }
        if (byte < 0) {
            error = "'" + name + "': expected fn, prf, pwr, rst, err24 or <byte>.<bit> (0..3.0..7)";
            return false;
        }
        result[static_cast<std::size_t>(byte)] |= static_cast<std::uint8_t>(1U << bit);
    }
    bits = result;
    return true;
}

SetupKey ApplyModuleSetupKey(ModuleSetup& setup, std::string_view key, std::string_view value, std::string& error) {
    const std::string k = ToLower(Trim(key));
    bool ok = false;
    if (k.size() == 4 && k.rfind("ain", 0) == 0 && k[3] >= '0' && k[3] < '0' + kAnalogInputs) {
        ok = ParseSignal(value, setup.inputs[static_cast<std::size_t>(k[3] - '0')], error);
    } else if (k.size() == 4 && k.rfind("din", 0) == 0 && k[3] >= '0' && k[3] < '0' + kSetupChannels) {
        ok = ParseDigitalInput(value, setup.digitalInputs[static_cast<std::size_t>(k[3] - '0')], error);
    } else if (k == "cnt0_rate" || k == "cnt1_rate") {
        const auto rate = ParseNumber(value);
        ok = rate && *rate >= 0.0 && *rate <= kMaxRate;
        if (ok)
            setup.counterRates[k == "cnt0_rate" ? 0 : 1] = *rate;
        else
            error = "'" + std::string(value) + "': expected counts per second, 0..1000000";
    } else if (k == "status") {
        ok = ParseStatusBits(value, setup.statusAtStart, error);
    } else if (k == "status_hold") {
        ok = ParseStatusBits(value, setup.statusHeld, error);
    } else {
        return SetupKey::Unknown;
    }
    if (!ok) error = k + ": " + error;
    return ok ? SetupKey::Applied : SetupKey::Bad;
}

}  // namespace rq36sim
