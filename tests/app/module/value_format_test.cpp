#include <gtest/gtest.h>

#include "module/value_format.h"

using rq36::FormatMeasuredValue;

namespace {
const QLocale kPoint(QLocale::English, QLocale::UnitedStates);
const QLocale kComma(QLocale::Czech, QLocale::CzechRepublic);
}  // namespace

TEST(ValueFormat, ExactDecimalsPaddedAndLocaleSeparator) {
    EXPECT_EQ(FormatMeasuredValue(1.5f, 4, kPoint), "1.5000");
    EXPECT_EQ(FormatMeasuredValue(12.345f, 3, kComma), "12,345");
    EXPECT_EQ(FormatMeasuredValue(-12.345f, 3, kPoint), "-12.345");
    EXPECT_EQ(FormatMeasuredValue(7.0f, 0, kPoint), "7");
    EXPECT_EQ(FormatMeasuredValue(0.0f, 2, kPoint), "0.00");
    EXPECT_EQ(FormatMeasuredValue(-0.0f, 1, kPoint), "0.0");
    EXPECT_EQ(FormatMeasuredValue(0.25f, 0, kPoint), "0");  // 0.25 rounds to 0: no "-0", no stray digit
}

TEST(ValueFormat, FiveSignificantDigitsOrDecimalsWhicheverIsFewer) {
    EXPECT_EQ(FormatMeasuredValue(12.345678f, 6, kPoint), "12.346000");  // 5 significant, padded to 6
    EXPECT_EQ(FormatMeasuredValue(0.012345678f, 6, kPoint), "0.012346");
    EXPECT_EQ(FormatMeasuredValue(1234.45f, 2, kPoint), "1234.50");  // its decimal value, half away from 0
    EXPECT_EQ(FormatMeasuredValue(-1234.45f, 2, kPoint), "-1234.50");
    EXPECT_EQ(FormatMeasuredValue(9.99996f, 5, kPoint), "10.00000");  // a carry into a new digit
    EXPECT_EQ(FormatMeasuredValue(99999.4f, 1, kPoint), "99999.0");
    EXPECT_EQ(FormatMeasuredValue(0.5f, 0, kPoint), "1");
    const QString many = FormatMeasuredValue(1.25f, 30, kPoint);  // large d: padded, nothing invented
    EXPECT_EQ(many, "1.25" + QString(28, QLatin1Char('0')));
}

TEST(ValueFormat, ScientificBeyondFiveIntegerDigits) {
    EXPECT_EQ(FormatMeasuredValue(99999.5f, 1, kPoint), "1.0000E+05");  // rounds up into six digits
    EXPECT_EQ(FormatMeasuredValue(100000.0f, 0, kComma), "1,0000E+05");
    EXPECT_EQ(FormatMeasuredValue(-8388607.0f, 0, kPoint), "-8.3886E+06");
    EXPECT_EQ(FormatMeasuredValue(99999.0f, 0, kPoint), "99999");
}
