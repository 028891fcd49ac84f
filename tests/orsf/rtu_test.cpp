// Modbus RTU framing: the CRC against published check values, and how a
// frame is recognised as it arrives.
#include <gtest/gtest.h>

#include <string_view>

#include "rtu.h"

using namespace rq36::rtu;

namespace {

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

}  // namespace

TEST(Crc16, PublishedCheckValues) {
    EXPECT_EQ(Crc16(Bytes("123456789")), 0x4B37);  // CRC-16/MODBUS check value
    // Read holding registers 0..9 of station 1: CRC bytes C5 CD on the wire.
    std::vector<std::uint8_t> f = {0x01, 0x03, 0x00, 0x00, 0x00, 0x0A};
    AppendCrc(f);
    EXPECT_EQ(f[6], 0xC5);
    EXPECT_EQ(f[7], 0xCD);
    EXPECT_TRUE(CrcMatches(f));
    f[3] ^= 0x01;
    EXPECT_FALSE(CrcMatches(f));
}

TEST(RtuFrame, RequestAndReplyLayout) {
    const std::array<std::uint8_t, 8> msg = {1, 0x66, 0, 0, 5, 5, 0, 0};
    const auto req = RequestFrame(1, msg);
    ASSERT_EQ(req.size(), 14u);
    EXPECT_EQ(std::vector<std::uint8_t>(req.begin(), req.begin() + 12),
              (std::vector<std::uint8_t>{1, 69, 0, 8, 1, 0x66, 0, 0, 5, 5, 0, 0}));
    const std::vector<std::uint8_t> response(16, 0xAB);
    const auto reply = ReplyFrame(1, 1, 0x66, 0, 0x00, response);
    ASSERT_EQ(reply.size(), 26u);  // 4 header, 4 prefix, 16 response bytes, CRC
    EXPECT_EQ(reply[2], 0);
    EXPECT_EQ(reply[3], 20);  // the count counts the bytes that follow it
    EXPECT_EQ(ExceptionFrame(7, kIllegalFunction).size(), kExceptionFrame);
}

TEST(RtuFrame, ExamineAsBytesArrive) {
    const auto reply = ReplyFrame(1, 1, 0xC8, 0, 0, std::vector<std::uint8_t>(16, 0));
    std::size_t length = 0;
    for (std::size_t n = 0; n < reply.size(); ++n)
        EXPECT_EQ(Examine(std::span(reply).first(n), length), FrameState::Incomplete) << n;
    EXPECT_EQ(Examine(reply, length), FrameState::Complete);
    EXPECT_EQ(length, reply.size());

    auto extra = reply;
    extra.push_back(0x55);  // a following byte does not spoil the frame before it
    EXPECT_EQ(Examine(extra, length), FrameState::Complete);
    EXPECT_EQ(length, reply.size());

    auto bad = reply;
    bad[9] ^= 0x10;
    EXPECT_EQ(Examine(bad, length), FrameState::BadCrc);

    const auto exception = ExceptionFrame(1, kIllegalDataValue);
    EXPECT_EQ(Examine(exception, length), FrameState::Complete);
    EXPECT_TRUE(IsException(exception));

    const std::vector<std::uint8_t> otherFunction = {1, 3, 2, 0, 0};
    EXPECT_EQ(Examine(otherFunction, length), FrameState::Garbled);
    const std::vector<std::uint8_t> hugeCount = {1, 69, 1, 0};
    EXPECT_EQ(Examine(hugeCount, length), FrameState::Garbled);
}

TEST(RtuTiming, SilenceIsThreeAndAHalfCharactersOrFixedAboveNineteenTwoHundred) {
    EXPECT_EQ(CharacterTime(9600).count(), 1'145'833);
    EXPECT_EQ(FrameSilence(9600).count(), 4'010'415);
    EXPECT_EQ(FrameSilence(19200).count(), 2'005'206);
    EXPECT_EQ(FrameSilence(38400).count(), 1'750'000);
    EXPECT_EQ(FrameSilence(115200).count(), 1'750'000);
}
