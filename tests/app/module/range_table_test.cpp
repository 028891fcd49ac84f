#include <gtest/gtest.h>

#include "module/range_table.h"

using namespace rq36;

// The calibration groups: which ranges count 1000 or 10000 per unit, the
// gain bounds and scale bytes, and the log texts with their blanks.
TEST(RangeTable, GroupsUnitsAndTexts) {
    for (int code : {0, 1, 2, 7, 8, 9}) {
        EXPECT_EQ(RangeOf(code)->scaleFactor, 1000) << code;
        EXPECT_EQ(RangeOf(code)->gainBound, 6.5534) << code;
        EXPECT_EQ(RangeOf(code)->scaleByte, 0x83) << code;
    }
    for (int code : {3, 4, 5, 10, 11, 12}) {
        EXPECT_EQ(RangeOf(code)->scaleFactor, 10000) << code;
        EXPECT_EQ(RangeOf(code)->gainBound, 65.534) << code;
        EXPECT_EQ(RangeOf(code)->scaleByte, 0x84) << code;
    }
    EXPECT_EQ(RangeOf(6)->gainBound, 6.5534);
    EXPECT_EQ(RangeOf(13)->gainBound, 65.534);
    EXPECT_EQ(RangeOf(6)->scaleByte, 0x86);
    EXPECT_EQ(RangeOf(13)->scaleByte, 0x86);

    for (int code = -1; code <= 15; ++code) EXPECT_EQ(RangeUnit(code), code == 6 || code == 13 ? "mA" : "V") << code;
    EXPECT_EQ(RangeOf(14), nullptr);
    EXPECT_EQ(RangeOf(-1), nullptr);

    EXPECT_EQ(RangeListTexts().size(), kRangeCodes);
    EXPECT_EQ(RangeListTexts()[4], QString::fromUtf8("+/- 500mV DC"));
    EXPECT_EQ(RangeLogText(8), QString::fromUtf8(" (5V AC) "));
    EXPECT_EQ(RangeLogText(13), QString::fromUtf8(" (20mA AC) "));
    EXPECT_EQ(RangeLogText(14), QString::fromUtf8(" (\?\?\?)   "));
}
