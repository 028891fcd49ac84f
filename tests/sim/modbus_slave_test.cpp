// The module's side of Modbus RTU (the simulator on a pseudo-terminal): who
// answers, with what frame, and the faults.
#include <gtest/gtest.h>

#include "environment.h"
#include "modbus_slave.h"
#include "rtu.h"

using namespace rq36sim;
namespace rtu = rq36::rtu;

namespace {

using Bytes = std::vector<std::uint8_t>;

void Quiet(const std::string&) {}

Bytes Request(std::uint8_t station, std::uint8_t command, std::uint8_t d0 = 0) {
    const std::array<std::uint8_t, 8> msg = {station, command, d0, 0, 0, 0, 0, 0};
    return rtu::RequestFrame(station, msg);
}

class ModbusSlaveTest : public ::testing::Test {
protected:
    void Use(const std::string& configText) {
        SimConfig cfg = SimConfig::Defaults();
        ApplyConfigText(cfg, configText, Quiet);
        cfg.statePath = ":memory:modbus-slave";
        env_.Reload(cfg, true);
        line_ = env_.MakeLine(env_.Config().standInLines[static_cast<std::size_t>(StandIn::Orsf)]);
    }
    void SetUp() override { Use(""); }
    Bytes Answer(const Bytes& request, LineParams line = {Protocol::ModbusRtu, 9600, kParityEven}) {
        return slave_.Answer(request, line, Clock::now()).frame;
    }

    SimEnvironment env_{Quiet};
    Line line_;
    ModbusSlave slave_{line_, env_.ActiveFaults(), env_.LineTiming()};
};

}  // namespace

TEST_F(ModbusSlaveTest, AnswersAsTheModulesSettingsSay) {
    const Bytes reply = Answer(Request(1, 0xC8, 0));
    ASSERT_EQ(reply.size(), 26u);
    EXPECT_TRUE(rtu::CrcMatches(reply));
    EXPECT_EQ(Bytes(reply.begin(), reply.begin() + 12), (Bytes{1, 69, 0, 20, 1, 0xC8, 0, 0, 'R', 'Q', '-', '3'}));

    EXPECT_TRUE(Answer(Request(1, 0xC8), {Protocol::ModbusRtu, 9600, kParityOdd}).empty());
    EXPECT_TRUE(Answer(Request(1, 0xC8), {Protocol::ModbusRtu, 19200, kParityEven}).empty());
    EXPECT_TRUE(Answer(Request(2, 0xC8)).empty());
    Bytes damaged = Request(1, 0xC8);
    damaged[5] ^= 1;
    EXPECT_TRUE(Answer(damaged).empty());
}

TEST_F(ModbusSlaveTest, VextbusModuleStaysSilent) {
    Use("[lines]\norsf = main\n");
    EXPECT_TRUE(Answer(Request(1, 0xC8)).empty());
}

TEST_F(ModbusSlaveTest, WhatTheModuleCannotDoGetsAnException) {
    Bytes other = {1, 0x03, 0, 0, 0, 1};
    rtu::AppendCrc(other);
    EXPECT_EQ(Answer(other), rtu::ExceptionFrame(1, rtu::kIllegalFunction));
    Bytes shortCount = {1, 69, 0, 2, 1, 0xC8};
    rtu::AppendCrc(shortCount);
    EXPECT_EQ(Answer(shortCount), rtu::ExceptionFrame(1, rtu::kIllegalDataValue));
    Bytes elsewhere = {2, 0x03, 0, 0, 0, 1};
    rtu::AppendCrc(elsewhere);
    EXPECT_TRUE(Answer(elsewhere).empty());  // not its address
}

TEST_F(ModbusSlaveTest, CorruptFirstSpoilsOnlyTheFirstAttempt) {
    env_.ActiveFaults().corruptReply = CorruptReplyFault::First;
    const Bytes request = Request(1, 0xC8, 1);
    EXPECT_FALSE(rtu::CrcMatches(Answer(request)));
    EXPECT_TRUE(rtu::CrcMatches(Answer(request)));   // the repetition
    EXPECT_FALSE(rtu::CrcMatches(Answer(request)));  // a new request of the same bytes
}

TEST_F(ModbusSlaveTest, CountFaultSetsTheResponseLength) {
    env_.ActiveFaults().modbusCount = 0;
    EXPECT_EQ(Answer(Request(1, 0xC8)).size(), 10u);
    env_.ActiveFaults().modbusCount = 5000;
    const Bytes longest = Answer(Request(1, 0xC8));
    EXPECT_EQ(longest.size(), rtu::kMaxFrame);
    EXPECT_TRUE(rtu::CrcMatches(longest));
}
