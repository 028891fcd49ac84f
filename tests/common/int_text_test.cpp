#include <gtest/gtest.h>

#include "int_text.h"

using rq36::ParseIntText;

TEST(IntText, Decimal) {
    EXPECT_EQ(ParseIntText("0"), 0);
    EXPECT_EQ(ParseIntText("255"), 255);
    EXPECT_EQ(ParseIntText("   255"), 255);
    EXPECT_EQ(ParseIntText("\t+17"), 17);
    EXPECT_EQ(ParseIntText("-1"), -1);
    EXPECT_EQ(ParseIntText("2147483647"), 2147483647);
    EXPECT_EQ(ParseIntText("-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseIntText("000000000000012"), 12);
}

TEST(IntText, Hexadecimal) {
    EXPECT_EQ(ParseIntText("$FF"), 255);
    EXPECT_EQ(ParseIntText("x1f"), 31);
    EXPECT_EQ(ParseIntText("X10"), 16);
    EXPECT_EQ(ParseIntText("0x2A0"), 0x2A0);
    EXPECT_EQ(ParseIntText(" 0X7fffFFFF"), 0x7FFFFFFF);
    EXPECT_EQ(ParseIntText("$FFFFFFFF"), -1);  // the 32-bit pattern unchanged
    EXPECT_EQ(ParseIntText("$80000000"), INT32_MIN);
}

TEST(IntText, Rejected) {
    for (const char* t : {"",           "   ",  "+",          "-",           "$",
                          "0x",         "x",    "255 ",       "25 5",        "1e3",
                          "12a",        "abc",  "2147483648", "-2147483649", "99999999999999999999",
                          "$123456789", "-$10", "+0x10",      "0x-1",        "$G",
                          "2A0h",       "٣"}) {
        EXPECT_FALSE(ParseIntText(t).has_value()) << '"' << t << '"';
    }
}
