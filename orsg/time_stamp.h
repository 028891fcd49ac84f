// Local date and time texts for exchange records, in the user's short date
// and long time formats (the C library's LC_TIME locale, which a Qt host
// sets from the environment).  The only platform-dependent part of ORSG.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace orsg {

// Zero-terminated texts of fixed capacity, so records copy without
// allocating.  A text that does not fit is cut.
using StampText = std::array<char, 32>;
using DateTimeText = std::array<char, 64>;

template <std::size_t N>
std::string_view TextOf(const std::array<char, N>& text) {
    std::size_t n = 0;
    while (n < N && text[n] != '\0') ++n;
    return {text.data(), n};
}

// Stamps records with the current local date and time.  The date and time
// texts of a second are formatted once; every stamp within the same second
// only copies them and puts in the milliseconds.
class TimeStamper {
public:
    // date: short date; time: long time, '.', milliseconds as three digits.
    void Stamp(StampText& date, StampText& time);

    // Same as Stamp for a given moment (nanoseconds since the Unix epoch).
    void StampAt(int64_t unixNs, StampText& date, StampText& time);

    // Date and time of now for the start time: short date, ' ', long time.
    static DateTimeText Now();

private:
    void FormatSecond(int64_t second);

    int64_t secondStartNs_ = INT64_MIN;  // start of the formatted second
    StampText date_{};
    StampText time_{};            // long time, '.', "000"
    std::size_t msPosition_ = 0;  // where the milliseconds go; 0 = no room
};

}  // namespace orsg
