#include <gtest/gtest.h>

#include <map>
#include <string>

#include "live/live_ticks.h"
#include "scripted_module.h"

using namespace rq36;
using rq36::test::ScriptedModule;

namespace {

const QLocale kPoint(QLocale::English, QLocale::UnitedStates);

// Records what the tick does, in order: "events", the requests (as the
// module sees them), "pause N", and each status text.
struct Trace : ModuleHost {
    std::vector<std::string> steps;
    std::vector<QString> statuses;
    void ShowStatus(const QString& text) override { statuses.push_back(text); }
    void ProcessEvents() override { steps.push_back("events"); }
    void Pause(int ms) override { steps.push_back("pause " + std::to_string(ms)); }
};

std::string Step(const ModuleCommand& c) {
    char text[32];
    std::snprintf(text, sizeof text, "%02X %02X %02X%02X%02X%02X", c.command, c.d0, c.data[1], c.data[2], c.data[3],
                  c.data[4]);
    return text;
}

struct Fixture {
    ScriptedModule module;
    Trace host;
    Fixture() {
        module.onSend = [this](const ModuleCommand& c) { host.steps.push_back(Step(c)); };
    }
    std::vector<std::string> Sends() const {
        std::vector<std::string> out;
        for (const std::string& s : host.steps)
            if (s != "events") out.push_back(s);
        return out;
    }
};

// Register r answers r + 1 with 3 decimals (volts) or 6 (amperes for AIN2's
// and AIN5's current ranges).
ModuleReply AnalogAnswer(const ModuleCommand& c) {
    ModuleReply reply;
    const auto value = static_cast<std::uint8_t>(c.d0 + 1);
    reply.r = {value, 0, 0, 3};
    return reply;
}

struct AnalogFixture : Fixture {
    AnalogTick tick;
    std::map<int, QString> rows;
    AnalogFixture() {
        module.memory[kConfigBank][2] = 6;   // AIN2 +/- 25mA DC
        module.memory[kConfigBank][5] = 13;  // AIN5 20mA AC
        module.answer = AnalogAnswer;
    }
    void Run() {
        tick.Run(
            module, host, [this](int row, const QString& text) { rows[row] = text; }, kPoint);
    }
};

}  // namespace

TEST(AnalogTick, RangesOnceThenInputsThenCombinedValuesEachAfterPendingMessages) {
    AnalogFixture f;
    f.Run();
    std::vector<std::string> expected;
    for (int i = 0; i < 6; ++i)
        expected.insert(expected.end(), {"events", Step(ReadConfigByteCommand(0, RangeAddress(i)))});
    for (int i = 0; i < 6; ++i) expected.insert(expected.end(), {"events", Step(ReadRegisterCommand(i))});
    for (int i = 0; i < 6; ++i) expected.insert(expected.end(), {"events", Step(ReadRegisterCommand(0x11 + i))});
    EXPECT_EQ(f.host.steps, expected);
    EXPECT_EQ(f.host.statuses, std::vector<QString>{" text 0"});
    EXPECT_EQ(f.rows[0], "0.001 V");
    EXPECT_EQ(f.rows[2], "3 mA");         // 0.003 A: no decimals left, whole mA
    EXPECT_EQ(f.rows[6 + 2], "20 mA");    // "2-0" in AIN2's unit
    EXPECT_EQ(f.rows[6 + 5], "23 mA");    // "5-3" in AIN5's unit
    EXPECT_EQ(f.rows[6 + 3], "0.021 V");  // "3-4" in AIN3's unit
    EXPECT_EQ(f.tick.Unit(5), "mA");

    f.host.steps.clear();
    f.Run();
    EXPECT_EQ(f.Sends().size(), 12U);  // units known: values only
    EXPECT_EQ(f.Sends().front(), Step(ReadRegisterCommand(0)));
}

TEST(AnalogTick, AFailedRangeReadLeavesTheUnitsUnknownAndTheNextTickReadsAllSix) {
    AnalogFixture f;
    f.module.failAt = 3;
    f.Run();
    EXPECT_EQ(f.Sends().size(), 3U);
    EXPECT_FALSE(f.tick.UnitsKnown());
    EXPECT_TRUE(f.rows.empty());
    EXPECT_EQ(f.host.statuses, std::vector<QString>{" text 4"});
    f.host.steps.clear();
    f.Run();
    ASSERT_EQ(f.Sends().size(), 18U);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(f.Sends()[i], Step(ReadConfigByteCommand(0, RangeAddress(i))));
}

TEST(AnalogTick, AFailedReadChangesOnlyTheGroupsCompletedBeforeIt) {
    AnalogFixture f;
    f.Run();
    f.rows.clear();
    f.module.sent.clear();
    f.module.failAt = 4;  // register 3
    f.Run();
    EXPECT_TRUE(f.rows.empty());
    EXPECT_EQ(f.host.statuses.back(), " text 4");

    f.module.sent.clear();
    f.module.failAt = 6 + 3;  // register 19 (0x13), the third combined value
    f.Run();
    EXPECT_EQ(f.rows.size(), 6U);
    EXPECT_EQ(f.rows.rbegin()->first, 5);
    EXPECT_EQ(f.host.statuses.back(), " text 4");
}

TEST(CounterTick, RunStateThenStartStopClearPresetsAndValuesInThisOrder) {
    Fixture f;
    CounterTick tick;
    f.module.answer = [](const ModuleCommand& c) {
        ModuleReply reply;
        if (c.d0 == kRegCounterRun) reply.r = {0x02, 0, 0, 0};  // CNT1 counts
        if (c.d0 == kRegCounter1) reply.r = {0xFF, 0xFF, 0xFF, 0xFF};
        return reply;
    };
    const std::map<int, QString> presets = {{0, "-1"}, {1, "4294967295"}};
    // Pressed before the first tick: the module's run state replaces the
    // toggle, but the run state is still written.
    tick.PressRun(0);
    EXPECT_TRUE(tick.Counting(0));
    tick.PressClear(0);
    tick.PressClear(1);
    tick.PressPreset(0);
    tick.PressPreset(1);
    int captionsShown = 0;
    EXPECT_TRUE(tick.Run(
        f.module, f.host, [&](int c) { return presets.at(c); }, [&] { ++captionsShown; }));
    EXPECT_EQ(captionsShown, 1);
    EXPECT_FALSE(tick.Counting(0));
    EXPECT_TRUE(tick.Counting(1));
    const std::vector<std::string> expected = {
        Step(ReadRegisterCommand(0x70)),
        Step(WriteRegisterCommand(0x70, 0x02U)),
        Step(WriteRegisterCommand(0x71, 0x03U)),
        Step(WriteRegisterCommand(0x50, std::array<std::uint8_t, 4>{0xFF, 0xFF, 0xFF, 0xFF})),
        "pause 1000",
        "events",
        Step(ReadRegisterCommand(0x50)),
        "events",
        Step(ReadRegisterCommand(0x51))};
    EXPECT_EQ(f.host.steps, expected);
    EXPECT_EQ(f.host.statuses, (std::vector<QString>{" Chyba hodnoty přednastavení CNT1", " text 0"}));
    EXPECT_EQ(tick.Value(1), 4294967295U);

    // Two presses return the caption; the state is written all the same,
    // and the run state is not read again.
    f.host.steps.clear();
    tick.PressRun(1);
    tick.PressRun(1);
    EXPECT_TRUE(tick.Run(f.module, f.host, {}, {}));
    EXPECT_EQ(f.Sends().front(), Step(WriteRegisterCommand(0x70, 0x02U)));
    EXPECT_EQ(f.Sends().size(), 3U);
}

TEST(CounterTick, AFailedRequestEndsTheTickWithoutRepeatingItsActionOrChangingTheValues) {
    Fixture f;
    CounterTick tick;
    f.module.answer = [](const ModuleCommand& c) {
        ModuleReply reply;
        if (c.d0 == kRegCounter0) reply.r = {7, 0, 0, 0};
        return reply;
    };
    ASSERT_TRUE(tick.Run(f.module, f.host, {}, {}));
    EXPECT_EQ(tick.Value(0), 7U);

    f.module.answer = [](const ModuleCommand&) { return ModuleReply{0, 0, {9, 0, 0, 0}}; };
    f.module.sent.clear();
    f.module.failAt = 3;  // the 0x51 read, after the clear and the 0x50 read
    tick.PressClear(0);
    EXPECT_FALSE(tick.Run(f.module, f.host, {}, {}));
    EXPECT_EQ(tick.Value(0), 7U);  // 0x50 was read, but neither label changes
    EXPECT_EQ(f.host.statuses.back(), " text 4");

    f.module.sent.clear();
    f.module.failAt = 1;  // the clear itself fails ...
    tick.PressClear(1);
    EXPECT_FALSE(tick.Run(f.module, f.host, {}, {}));
    f.module.sent.clear();
    f.module.failAt = -1;
    EXPECT_TRUE(tick.Run(f.module, f.host, {}, {}));
    EXPECT_EQ(f.module.sent.size(), 2U);  // ... and is not sent again
    EXPECT_EQ(tick.Value(0), 9U);
}
