// What the configuration connects to a simulated module: input signals,
// digital inputs, counter rates and status conditions.
#include <cmath>

#include <gtest/gtest.h>

#include "module.h"
#include "sim_config.h"

using namespace rq36sim;

namespace {

std::vector<std::string> gWarnings;
void Collect(const std::string& m) { gWarnings.push_back(m); }

struct Configured {
    SimConfig cfg = SimConfig::Defaults();
    Faults faults;
    Module module{"main", ModuleState::Factory(CommSettings{}), &faults};
    Clock::time_point t0 = Clock::now();

    explicit Configured(std::string_view text) {
        gWarnings.clear();
        ApplyConfigText(cfg, text, Collect);
        module.Analog().SetNoise(false);
        module.Configure(cfg.ModuleNamed("main")->setup, true, t0);
    }
    ModuleReply Ask(std::initializer_list<std::uint8_t> bytes, double at = 0) {
        Message m{};
        std::copy(bytes.begin(), bytes.end(), m.begin());
        return module.Execute(m, t0 + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(at)));
    }
    void SetRange(int input, int code) {
        const auto a = static_cast<std::uint8_t>(input);
        const auto v = static_cast<std::uint8_t>(code);
        Ask({1, kCmdWriteConfig, 0, 0, a, a, v, v});
    }
    // The uncalibrated reading: the signal in counts, with the converter's
    // offset and gain error.
    std::int64_t Raw(int input, double at = 0) {
        const auto d = Ask({1, kCmdReadRegister, static_cast<std::uint8_t>(kRegRawFirst + input)}, at).data;
        const int magnitude = d[0] | d[1] << 8 | (d[2] & 0x7F) << 16;
        return d[2] & 0x80 ? -magnitude : magnitude;
    }
    std::uint32_t Counter(int n, double at) {
        const auto d = Ask({1, kCmdReadRegister, static_cast<std::uint8_t>(kRegCounter0 + n)}, at).data;
        return static_cast<std::uint32_t>(d[0] | d[1] << 8 | d[2] << 16 | static_cast<std::uint32_t>(d[3]) << 24);
    }
};

std::int64_t Counts(int input, double signalCounts) {
    return std::llround(signalCounts * AnalogFrontEnd::kGainError[static_cast<std::size_t>(input)] +
                        AnalogFrontEnd::kOffsetError[static_cast<std::size_t>(input)]);
}

}  // namespace

TEST(ModuleSetup, InputSignalsInVoltsMilliamperesOrFullScale) {
    Configured m(
        "[module main]\n"
        "ain0 = dc 5 V\n"
        "ain1 = ac 2 V, dc 0\n"
        "ain2 = 12 mA\n"
        "ain3 = dc 250 mV, drift 50 mV, period 4 s\n");
    EXPECT_TRUE(gWarnings.empty());
    EXPECT_EQ(m.Raw(0), Counts(0, 5000));
    m.SetRange(1, 7);  // 10V AC: the RMS value of a 2 V amplitude
    EXPECT_EQ(m.Raw(1), Counts(1, 1000 * std::sqrt(2.0)));
    m.SetRange(1, 0);  // a DC range averages the AC part away
    EXPECT_EQ(m.Raw(1), Counts(1, 0));
    EXPECT_EQ(m.Raw(2), Counts(2, 0));  // a current source on a voltage range drives nothing
    m.SetRange(2, 6);
    EXPECT_EQ(m.Raw(2), Counts(2, 12000));
    m.SetRange(3, 3);  // 1 V range, 10000 counts per volt; drift phase starts at the input number
    EXPECT_NEAR(m.Raw(3, 0), Counts(3, 2500 + 500 * std::sin(3.0)), 1);
    EXPECT_NEAR(m.Raw(3, 1), Counts(3, 2500 + 500 * std::sin(3.0 + M_PI / 2)), 1);
    EXPECT_NEAR(m.Raw(4), Counts(4, -0.64 * 10000), 70);  // not configured: as delivered, drifting by 1 %
}

TEST(ModuleSetup, DigitalInputsDrivenApartFromTheOutputs) {
    Configured m("[module main]\ndin0 = 1\ndin1 = pulse 2 s\n");
    const auto din = [&](double at) { return m.Ask({1, kCmdReadRegister, kRegDigital}, at).data[0]; };
    // Factory input negation 0xFF: a high terminal reads 0.
    const std::uint8_t first = din(0);
    EXPECT_EQ(first & 0x01, 0);
    EXPECT_NE(first & 0x02, din(1) & 0x02);  // the pulse changes every second
    m.Ask({1, kCmdWriteRegister, kRegDigital, 0, 0x03});
    EXPECT_EQ(din(0) & 0x01, 0);  // the output does not reach DIN0
}

TEST(ModuleSetup, CounterRatesAndStatusConditions) {
    Configured m("[module main]\ncnt0_rate = 1000\ncnt1_rate = 0.5\nstatus = fn, err24, 3.7\nstatus_hold = prf\n");
    m.Ask({1, kCmdWriteRegister, kRegCounterRun, 0, 0x03});
    EXPECT_EQ(m.Counter(0, 2), 2000U);
    EXPECT_EQ(m.Counter(1, 2), 1U);
    // Power-up (fresh state), FN, PRF, ERR24 and byte 3 bit 7.
    EXPECT_EQ(m.Ask({1, kCmdReadStatus}).data, (std::array<std::uint8_t, 6>{0x56, 0, 0, 0x80, 0, 0}));
    m.Ask({1, kCmdClearStatus});
    EXPECT_EQ(m.Ask({1, kCmdReadStatus}).data[0], 0x04);  // the held condition comes back at once
}

TEST(ModuleSetup, BadValuesAreReportedAndLeaveTheSetupAsItWas) {
    Configured m("[module main]\nain0 = dc five V\ndin1 = sometimes\ncnt0_rate = -1\nstatus = fn, 4.0\nain6 = 1 V\n");
    EXPECT_EQ(gWarnings.size(), 5U);
    const ModuleSetup& setup = m.cfg.ModuleNamed("main")->setup;
    EXPECT_EQ(setup.inputs[0].dc.value, ModuleSetup::DefaultInputs()[0].dc.value);
    EXPECT_EQ(setup.counterRates[0], 10.0);
    EXPECT_EQ(setup.statusAtStart, (std::array<std::uint8_t, 4>{}));
}
