#include <gtest/gtest.h>

#include <limits>

#include "decimal_text.h"

using rq36::RoundedFixed;

// A first dropped digit of 5 or more rounds away from zero, in the shortest
// decimal text of the value (2.675 is 2.67499... in binary, shown as 2.68).
TEST(RoundedFixed, FirstDroppedDigitOfFiveRoundsAwayFromZero) {
    EXPECT_EQ(RoundedFixed(3.125, 2), "3.13");
    EXPECT_EQ(RoundedFixed(-3.125, 2), "-3.13");
    EXPECT_EQ(RoundedFixed(2.675, 2), "2.68");
    EXPECT_EQ(RoundedFixed(3.124, 2), "3.12");
    EXPECT_EQ(RoundedFixed(9.995, 2), "10.00");
    EXPECT_EQ(RoundedFixed(-0.004, 2), "0.00");
    EXPECT_EQ(RoundedFixed(37.5, 2), "37.50");
    EXPECT_EQ(RoundedFixed(0.5, 0), "1");
    EXPECT_EQ(RoundedFixed(1e20, 1), "100000000000000000000.0");
    EXPECT_EQ(RoundedFixed(std::numeric_limits<double>::infinity(), 2), "inf");
}
