#include <gtest/gtest.h>

#include <cmath>

#include "module/command_set.h"
#include "module/config_transfer.h"

using namespace rq36;

namespace {
using D = std::array<std::uint8_t, 5>;
}

TEST(ValueEncodings, ScaledValue) {
    EXPECT_DOUBLE_EQ(DecodeScaledValue(0x39, 0x30, 0x00, 0x03), 12.345);
    EXPECT_DOUBLE_EQ(DecodeScaledValue(0x39, 0x30, 0x80, 0x03), -12.345);
    EXPECT_DOUBLE_EQ(DecodeScaledValue(0x39, 0x30, 0x80, 0x83), -12.345);  // bit 7 of b3 plays no part
    EXPECT_DOUBLE_EQ(DecodeScaledValue({0xFF, 0xFF, 0x7F, 0x00}), 8388607.0);
    EXPECT_DOUBLE_EQ(DecodeScaledValue(0xFF, 0xFF, 0xFF, 0x00), -8388607.0);
    EXPECT_EQ(ScaledValueDecimals(0x83), 3);
    // Repeated division, as the module's decimals mean it.
    double expected = 1234567.0;
    for (int i = 0; i < 9; ++i) expected /= 10.0;
    EXPECT_EQ(DecodeScaledValue(0x87, 0xD6, 0x12, 0x09), expected);
    EXPECT_DOUBLE_EQ(DecodeScaledValue(1, 0, 0, 0x7F), 1e-127);
    // A signed zero would show as "-0": the sign of a zero magnitude is dropped.
    const double zero = DecodeScaledValue(0, 0, 0x80, 0x02);
    EXPECT_EQ(zero, 0.0);
    EXPECT_FALSE(std::signbit(zero));
}

TEST(ValueEncodings, UInt32) {
    EXPECT_EQ(DecodeUInt32(0xFF, 0xFF, 0xFF, 0xFF), 4294967295u);
    EXPECT_EQ(DecodeUInt32({0x78, 0x56, 0x34, 0x12}), 0x12345678u);
    EXPECT_EQ(EncodeUInt32(0x12345678u), (std::array<std::uint8_t, 4>{0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(EncodeUInt32(static_cast<std::uint32_t>(-2)), (std::array<std::uint8_t, 4>{0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST(CommandSet, RequestBytes) {
    struct Case {
        ModuleCommand c;
        std::uint8_t command, d0;
        D d;
    };
    const Case cases[] = {
        {ReadRegisterCommand(0x50), 0x00, 0x50, {}},
        {WriteRegisterCommand(0x51, 0x01020304u), 0x01, 0x51, {0, 4, 3, 2, 1}},
        {WriteRegisterCommand(kRegDigital, {3, 0, 0, 0}), 0x01, 0x40, {0, 3, 0, 0, 0}},
        {ReadStatusRegisterCommand(), 0x64, 0, {}},
        {ClearStatusRegisterCommand(), 0x65, 0, {}},
        {ReadConfigByteCommand(0, 0x3F), 0x66, 0, {0, 0x3F, 0x3F, 0, 0}},
        {ReadConfigByteCommand(31, 0x07), 0x66, 31, {0, 7, 7, 0, 0}},
        {WriteConfigByteCommand(0, 0x2B, 0xA5), 0x67, 0, {0, 0x2B, 0x2B, 0xA5, 0xA5}},
        {ReadIdentityCommand(2), 0xC8, 2, {}},
        {RestartCommand(), 0x01, 0xFF, {0, 0xFF, 0x01, 0x00, 0xFF}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.c.command, c.command);
        EXPECT_EQ(c.c.d0, c.d0) << int(c.command);
        EXPECT_EQ(c.c.data, c.d) << int(c.command);
    }
}

TEST(CommandSet, DigitalOptionRunOrder) {
    // Initial output states, then input negations, then output negations,
    // each for ports 0..3 (three consecutive addresses per port).
    const std::uint8_t address[] = {0x20, 0x23, 0x26, 0x29, 0x21, 0x24, 0x27, 0x2A, 0x22, 0x25, 0x28, 0x2B};
    const std::uint8_t image[] = {23, 24, 25, 26, 11, 12, 13, 14, 17, 18, 19, 20};
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(kDigitalOptionSlots[i].address, address[i]) << i;
        EXPECT_EQ(kDigitalOptionSlots[i].imageIndex, image[i]) << i;
    }
    EXPECT_EQ(OutputNegationAddress(3), 0x2B);
}

TEST(CommandSet, BoundLinkWithoutHandleNeverSucceeds) {
    ConnectionSettings s;
    SetDefaults(&s);
    const ModuleReply reply = SendCommand(s, ReadConfigByteCommand(0, 0x3F));
    EXPECT_FALSE(reply.Ok());
    EXPECT_EQ(reply.status, 10);
    EXPECT_EQ(reply.r, (std::array<std::uint8_t, 4>{}));
}
