#include <gtest/gtest.h>

#include "live/live_values.h"

using namespace rq36;

namespace {
const QLocale kPoint(QLocale::English, QLocale::UnitedStates);
const QLocale kComma(QLocale::Czech, QLocale::CzechRepublic);

std::array<std::uint8_t, 4> Scaled(std::uint32_t magnitude, bool negative, int decimals) {
    return {static_cast<std::uint8_t>(magnitude), static_cast<std::uint8_t>(magnitude >> 8),
            static_cast<std::uint8_t>(((magnitude >> 16) & 0x7F) | (negative ? 0x80 : 0)),
            static_cast<std::uint8_t>(decimals)};
}
}  // namespace

TEST(LiveValues, CurrentRangesShowMilliamperesWithThreeDecimalsFewer) {
    EXPECT_EQ(ReadingText(ReadingOf(Scaled(12345, false, 6), true), "mA", kComma), "12,345 mA");
    EXPECT_EQ(ReadingText(ReadingOf(Scaled(8388607, true, 6), true), "mA", kPoint), "-8388.600 mA");
    EXPECT_EQ(ReadingText(ReadingOf(Scaled(15000, false, 4), false), "V", kPoint), "1.5000 V");
    // Fewer than three decimals in the reply: whole milliamperes.
    EXPECT_EQ(ReadingText(ReadingOf(Scaled(5, false, 2), true), "mA", kPoint), "50 mA");
    EXPECT_EQ(ReadingText(ReadingOf(Scaled(2, false, 0), true), "mA", kPoint), "2000 mA");
}

TEST(LiveValues, PresetTextIsASigned32BitIntegerSentLeastSignificantFirst) {
    using Bytes = std::array<std::uint8_t, 4>;
    EXPECT_EQ(PresetBytes("-1"), (Bytes{0xFF, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(PresetBytes(" 305419896"), (Bytes{0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(PresetBytes("$80000000"), (Bytes{0x00, 0x00, 0x00, 0x80}));
    EXPECT_FALSE(PresetBytes("4294967295"));
    EXPECT_FALSE(PresetBytes(""));
    EXPECT_FALSE(PresetBytes("12 kusů"));
    EXPECT_EQ(CounterText(4294967295U), "4294967295");
}

TEST(LiveValues, OnlyTheBitsOfStatusByteZeroHaveNames) {
    const QStringList byte0 = {"---", "FN", "PRF", "---", "PWR", "RST", "ERR24", "---"};
    for (int bit = 0; bit < 8; ++bit) {
        EXPECT_EQ(StatusBitCaption(0, bit), byte0[bit]);
        for (int byte = 1; byte < kStatusBytes; ++byte) EXPECT_EQ(StatusBitCaption(byte, bit), "---");
        // Every named bit explains itself and what clears it; the others say nothing.
        const QString tip = StatusBitToolTip(0, bit);
        EXPECT_EQ(tip.startsWith(StatusBitCaption(0, bit) + QStringLiteral(" – ")), byte0[bit] != "---") << bit;
        EXPECT_EQ(tip.contains(QStringLiteral("Vynulovat")), byte0[bit] != "---") << bit;
        EXPECT_TRUE(StatusBitToolTip(1, bit).isEmpty());
    }
    EXPECT_EQ(BitText(0x80, 7), "1");
    EXPECT_EQ(BitText(0x7F, 7), "0");
}
