// Calibration arithmetic: slots, offset and gain words, the record's bytes,
// the refusals, and the entered value read by the locale.
#include <gtest/gtest.h>

#include "calibration/calibration_math.h"

using namespace rq36;

namespace {
using Bytes = std::array<std::uint8_t, 7>;
}

TEST(CalibrationMath, SlotOfEveryInputAndRange) {
    EXPECT_EQ(CalibrationBank(0), 30);
    EXPECT_EQ(CalibrationBank(1), 30);
    EXPECT_EQ(CalibrationBank(3), 31);
    EXPECT_EQ(CalibrationBank(5), 32);
    EXPECT_EQ(CalibrationSlotAddress(0, 0), 0);
    EXPECT_EQ(CalibrationSlotAddress(4, 13), 104);
    EXPECT_EQ(CalibrationSlotAddress(5, 13), 232);  // 0xE8
    EXPECT_EQ(CalibrationSlotAddress(3, 4), 160);
}

TEST(CalibrationMath, WorkedExamples) {
    // Zero 12, 9.5 V entered, reference 9512: gain 1, 10000.5 rounds to even.
    auto record = ComputeCalibrationRecord(0, 9.5, 12, 9512);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Bytes(), (Bytes{0xF4, 0xFF, 0x10, 0x27, 0x10, 0x27, 0x83}));
    // Zero -3, reference 9600: gain 9500 / 9603.
    record = ComputeCalibrationRecord(0, 9.5, -3, 9600);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->Bytes(), (Bytes{0x03, 0x00, 0xA5, 0x26, 0x10, 0x27, 0x83}));
    // The scale byte of each group.
    EXPECT_EQ(ComputeCalibrationRecord(4, 0.45, 0, 4500)->scaleByte, 0x84);
    EXPECT_EQ(ComputeCalibrationRecord(13, 18, 0, 18000)->scaleByte, 0x86);
}

TEST(CalibrationMath, GainBoundsAndGainWord) {
    const auto gain = [](int range, double entered, double zero, double reference) {
        return CalibrationGain(range, entered, zero, reference);
    };
    ASSERT_TRUE(gain(0, 6.5, 0, 1000));
    EXPECT_EQ(GainWord(*gain(0, 6.5, 0, 1000)), 65000);  // 65000.5 rounds to even
    EXPECT_FALSE(gain(0, 6.56, 0, 1000));                // above 6.5534
    EXPECT_FALSE(gain(6, 6.56, 0, 1000));
    EXPECT_TRUE(gain(13, 6.56, 0, 1000));     // the AC current range allows 65.534
    EXPECT_FALSE(gain(3, 65.534, 0, 10000));  // strict bound
    // No gain: a zero reference reading, equal readings, a negative or zero entry.
    EXPECT_FALSE(gain(0, 9.5, -3, 0));
    EXPECT_FALSE(gain(0, 9.5, 9000, 9000));
    EXPECT_FALSE(gain(0, -9.5, 0, 9000));
    EXPECT_FALSE(gain(0, 0, 0, 9000));
    EXPECT_FALSE(gain(14, 9.5, 0, 9000));  // no such range
}

TEST(CalibrationMath, OffsetWordRoundsHalvesToEven) {
    EXPECT_EQ(OffsetWord(0.5), 0);
    EXPECT_EQ(OffsetWord(1.5), -2);
    EXPECT_EQ(OffsetWord(-2.5), 2);
    EXPECT_EQ(OffsetWord(12.4), -12);
    EXPECT_EQ(OffsetWord(32768.4), -32768);
    EXPECT_EQ(OffsetWord(-32767.4), 32767);
}

TEST(CalibrationMath, WordsThatDoNotFitAreRefusedNotTruncated) {
    // A gain the 1 V range allows whose word needs 17 bits.
    EXPECT_EQ(GainWord(6.5534), 65534);
    EXPECT_FALSE(GainWord(6.5536));
    EXPECT_TRUE(CalibrationGain(3, 0.65536, 0, 1000));
    EXPECT_FALSE(ComputeCalibrationRecord(3, 0.65536, 0, 1000));
    // Zero readings whose negation leaves -32768..32767.
    EXPECT_FALSE(OffsetWord(32768.6));
    EXPECT_FALSE(OffsetWord(-32767.5));  // 32767.5 rounds to 32768
    EXPECT_FALSE(ComputeCalibrationRecord(0, 9.5, 40000, 49500));
}

TEST(CalibrationMath, EnteredValueByEitherSeparator) {
    const QLocale comma(QLocale::Czech, QLocale::CzechRepublic);
    const QLocale point(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(ParseEnteredValue(QStringLiteral("9,5"), comma), 9.5);
    EXPECT_EQ(ParseEnteredValue(QStringLiteral(" 18,25 "), comma), 18.25);
    EXPECT_EQ(ParseEnteredValue(QStringLiteral("-3"), comma), -3);
    EXPECT_EQ(ParseEnteredValue(QStringLiteral("9.5"), comma), 9.5);
    EXPECT_EQ(ParseEnteredValue(QStringLiteral("9.5"), point), 9.5);
    EXPECT_EQ(ParseEnteredValue(QStringLiteral("9,5"), point), 9.5);
    // No group separators: a second separator is no number.
    EXPECT_FALSE(ParseEnteredValue(QStringLiteral("1,000.5"), point));
    EXPECT_FALSE(ParseEnteredValue(QStringLiteral("1.000,5"), comma));
    EXPECT_FALSE(ParseEnteredValue(QStringLiteral("1 000,5"), comma));
    for (const char* bad : {"", " ", "abc", "9,5V", "inf", "nan", "1e400"})
        EXPECT_FALSE(ParseEnteredValue(QString::fromLatin1(bad), comma)) << bad;
}
