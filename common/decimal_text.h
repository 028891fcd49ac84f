// Numbers as the program and its libraries show them with a fixed count of
// decimals: the shortest decimal text of the value, cut after the last shown
// decimal, a first dropped digit of 5 or more rounding away from zero.
#pragma once

#include <string>

namespace rq36 {

// "3.13" for 3.125 with 2 decimals, "-3.13" for -3.125, "0.00" for -0.001;
// the decimal point is '.'.  Not-finite values as std::to_chars writes them.
std::string RoundedFixed(double value, int decimals);

}  // namespace rq36
