// The line: frame times, repetitions, timeouts, collisions.
#include <gtest/gtest.h>

#include "line.h"

using namespace rq36sim;
using std::chrono::microseconds;
using std::chrono::milliseconds;

namespace {

ExchangeRequest IdentityRequest(std::uint8_t address, std::int32_t speed = 9600) {
    ExchangeRequest r;
    r.message = {address, 0xC8, 0, 0, 0, 0, 0, 0};
    r.line.speed = speed;
    r.timeoutMs = 100;
    r.retries = 2;
    return r;
}

class LineTest : public ::testing::Test {
protected:
    LineTest() { line_.Attach(&module_); }
    Faults faults_;
    Timing timing_;
    Module module_{"m", ModuleState::Factory(CommSettings{}), &faults_};
    Line line_;
};

}  // namespace

TEST(FrameTime, ElevenBitsPerCharacter) {
    EXPECT_EQ(CharacterTime(9600).count(), 1145833);
    EXPECT_EQ(FrameTime(22, 115200).count(), 2100694);
    // 22 characters at 9600 Bd: 25.208 ms.
    EXPECT_NEAR(AnsweredExchangeTime(LineParams{Protocol::Vextbus2, 9600, 0}, Timing{}).count(), 25208333, 2);
    // Modbus: 14 + 26 characters and two silences of 3.5 characters.
    EXPECT_NEAR(AnsweredExchangeTime(LineParams{Protocol::ModbusRtu, 9600, 0}, Timing{}).count(), 53854167, 2);
    EXPECT_EQ(CharacterTime(0).count(), 0);
}

TEST_F(LineTest, AnsweredExchangeTakesBothFrames) {
    const auto r = line_.Exchange(IdentityRequest(1), faults_, timing_, Clock::now());
    EXPECT_EQ(r.status, kStatusOk);
    EXPECT_EQ(r.repetitions, 0);
    EXPECT_EQ(r.reply.data[0], 'R');
    EXPECT_NEAR(r.duration.count(), 25208333, 2);
}

TEST_F(LineTest, UnansweredExchangeRepeatsAndWaitsTheTimeout) {
    const auto r = line_.Exchange(IdentityRequest(2), faults_, timing_, Clock::now());
    EXPECT_EQ(r.status, kStatusNoReply);
    EXPECT_EQ(r.repetitions, 2);
    EXPECT_EQ(r.duration, 3 * (FrameTime(11, 9600) + milliseconds(100)));
    EXPECT_EQ(r.reply.data[0], 0);
    auto many = IdentityRequest(2);
    many.retries = 1000;  // the line takes at most 15 repetitions
    EXPECT_EQ(line_.Exchange(many, faults_, timing_, Clock::now()).repetitions, 15);
}

TEST_F(LineTest, TwoModulesAtOneAddressGarbleTheReply) {
    Module twin{"twin", ModuleState::Factory(CommSettings{}), &faults_};
    line_.Attach(&twin);
    const auto r = line_.Exchange(IdentityRequest(1), faults_, timing_, Clock::now());
    EXPECT_EQ(r.status, kStatusChecksum);
    EXPECT_EQ(r.repetitions, 2);
}

TEST_F(LineTest, ReplyLaterThanTheTimeoutIsNotTaken) {
    timing_.turnaround = milliseconds(150);
    EXPECT_EQ(line_.Exchange(IdentityRequest(1), faults_, timing_, Clock::now()).status, kStatusNoReply);
    timing_.turnaround = milliseconds(50);
    const auto r = line_.Exchange(IdentityRequest(1), faults_, timing_, Clock::now());
    EXPECT_EQ(r.status, kStatusOk);
    EXPECT_NEAR(r.duration.count(), (milliseconds(50) + FrameTime(22, 9600)).count(), 2);
}

TEST_F(LineTest, CorruptedRepliesAreRepeated) {
    faults_.corruptReply = CorruptReplyFault::First;
    auto r = line_.Exchange(IdentityRequest(1), faults_, timing_, Clock::now());
    EXPECT_EQ(r.status, kStatusOk);
    EXPECT_EQ(r.repetitions, 1);
    faults_.corruptReply = CorruptReplyFault::Always;
    r = line_.Exchange(IdentityRequest(1), faults_, timing_, Clock::now());
    EXPECT_EQ(r.status, kStatusChecksum);
    EXPECT_EQ(r.reply.data[0], 0);
}

// Targeted faults: only matching requests fail, from the nth one, as often
// as asked, without reaching the module; malformed texts are refused.
TEST_F(LineTest, TargetedRequestFaults) {
    std::string error;
    ASSERT_TRUE(ApplyFault(faults_, "fail_request", "cmd:0x67 sel:30 addr:4 nth:2 status:9 times:2", error)) << error;
    ExchangeRequest write = IdentityRequest(1);
    write.message = {1, 0x67, 30, 0, 4, 4, 0x55, 0x55};
    ExchangeRequest other = write;
    other.message[4] = other.message[5] = 5;

    EXPECT_EQ(line_.Exchange(write, faults_, timing_, Clock::now()).status, kStatusOk);   // 1st match
    EXPECT_EQ(line_.Exchange(other, faults_, timing_, Clock::now()).status, kStatusOk);   // no match
    const ExchangeResult failed = line_.Exchange(write, faults_, timing_, Clock::now());  // 2nd match
    EXPECT_EQ(failed.status, kStatusChecksum);
    EXPECT_EQ(failed.repetitions, 0);
    EXPECT_EQ(line_.Exchange(write, faults_, timing_, Clock::now()).status, kStatusChecksum);  // times:2
    EXPECT_EQ(line_.Exchange(write, faults_, timing_, Clock::now()).status, kStatusOk);

    ASSERT_TRUE(ApplyFault(faults_, "read_value", "bank:0 addr:0x21 value:0xFE", error)) << error;
    ExchangeRequest read = IdentityRequest(1);
    read.message = {1, 0x66, 0, 0, 0x21, 0x21, 0, 0};
    EXPECT_EQ(line_.Exchange(read, faults_, timing_, Clock::now()).reply.data[2], 0xFE);
    read.message[4] = read.message[5] = 0x22;
    EXPECT_EQ(line_.Exchange(read, faults_, timing_, Clock::now()).reply.data[2], 0xFF);  // as stored

    for (const char* bad : {"cmd:300", "nth:0", "status:0", "bogus:1", "cmd", "times:-2"})
        EXPECT_FALSE(ApplyFault(faults_, "fail_request", bad, error)) << bad;
    EXPECT_FALSE(ApplyFault(faults_, "read_value", "addr:1", error));
    EXPECT_TRUE(ApplyFault(faults_, "fail_request", "off", error));
    EXPECT_TRUE(faults_.failingRequests.empty());
}
