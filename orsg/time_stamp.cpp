#include "time_stamp.h"

#include <chrono>
#include <cstring>
#include <ctime>

namespace orsg {
namespace {

bool LocalTime(std::time_t t, std::tm& out) {
#if defined(_WIN32)
    return localtime_s(&out, &t) == 0;
#else
    return localtime_r(&t, &out) != nullptr;
#endif
}

// strftime into a fixed buffer; an empty text when the result does not fit.
template <std::size_t N>
std::size_t Format(std::array<char, N>& out, const char* format, const std::tm& tm) {
    const std::size_t n = std::strftime(out.data(), N, format, &tm);
    if (n == 0) out[0] = '\0';
    return n;
}

int64_t NowUnixMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
}

}  // namespace

void TimeStamper::Stamp(StampText& date, StampText& time) { StampAt(NowUnixMs(), date, time); }

void TimeStamper::StampAt(int64_t unixMs, StampText& date, StampText& time) {
    // Floor division: moments before the epoch still get 0..999 ms.
    int64_t second = unixMs / 1000;
    int64_t ms = unixMs % 1000;
    if (ms < 0) {
        ms += 1000;
        --second;
    }
    if (second != cachedSecond_) {
        std::tm tm{};
        if (LocalTime(static_cast<std::time_t>(second), tm)) {
            Format(date_, "%x", tm);
            timeLength_ = Format(time_, "%X", tm);
        } else {
            date_[0] = '\0';
            time_[0] = '\0';
            timeLength_ = 0;
        }
        cachedSecond_ = second;
    }
    date = date_;
    // Long time, '.', three digits; cut when the locale's time is very long.
    const std::size_t room = time.size() - 1;
    std::size_t n = timeLength_ < room ? timeLength_ : room;
    std::memcpy(time.data(), time_.data(), n);
    const char tail[4] = {'.', static_cast<char>('0' + ms / 100), static_cast<char>('0' + ms / 10 % 10),
                          static_cast<char>('0' + ms % 10)};
    for (char c : tail)
        if (n < room) time[n++] = c;
    time[n] = '\0';
}

DateTimeText TimeStamper::Now() {
    DateTimeText out{};
    std::tm tm{};
    const std::time_t t = std::time(nullptr);
    if (LocalTime(t, tm)) Format(out, "%x %X", tm);
    return out;
}

}  // namespace orsg
