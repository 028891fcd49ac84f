#include "time_stamp.h"

#include <chrono>
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

int64_t NowUnixNs() {
    using namespace std::chrono;
    return duration_cast<nanoseconds>(system_clock::now().time_since_epoch()).count();
}

constexpr int64_t kNsPerSecond = 1'000'000'000;
constexpr int64_t kNsPerMs = 1'000'000;

}  // namespace

void TimeStamper::FormatSecond(int64_t second) {
    std::tm tm{};
    msPosition_ = 0;
    if (!LocalTime(static_cast<std::time_t>(second), tm)) {
        date_[0] = '\0';
        time_[0] = '\0';
        return;
    }
    Format(date_, "%x", tm);
    // Long time, '.', three digits; cut when the locale's time is very long.
    const std::size_t room = time_.size() - 1;
    std::size_t n = Format(time_, "%X", tm);
    if (n + 4 <= room) {
        time_[n] = '.';
        msPosition_ = n + 1;
        time_[n + 1] = time_[n + 2] = time_[n + 3] = '0';
        time_[n + 4] = '\0';
    }
}

void TimeStamper::Stamp(StampText& date, StampText& time) { StampAt(NowUnixNs(), date, time); }

void TimeStamper::StampAt(int64_t unixNs, StampText& date, StampText& time) {
    // Unsigned: a moment before the formatted second wraps to a large value.
    if (static_cast<uint64_t>(unixNs) - static_cast<uint64_t>(secondStartNs_) >= static_cast<uint64_t>(kNsPerSecond)) {
        // Floor division: moments before the epoch still get 0..999 ms.
        int64_t second = unixNs / kNsPerSecond;
        if (unixNs % kNsPerSecond < 0) --second;
        FormatSecond(second);
        secondStartNs_ = second * kNsPerSecond;
    }
    const auto ms = static_cast<unsigned>((unixNs - secondStartNs_) / kNsPerMs);
    date = date_;
    time = time_;
    if (msPosition_ != 0) {
        time[msPosition_] = static_cast<char>('0' + ms / 100);
        time[msPosition_ + 1] = static_cast<char>('0' + ms / 10 % 10);
        time[msPosition_ + 2] = static_cast<char>('0' + ms % 10);
    }
}

DateTimeText TimeStamper::Now() {
    DateTimeText out{};
    std::tm tm{};
    const std::time_t t = std::time(nullptr);
    if (LocalTime(t, tm)) Format(out, "%x %X", tm);
    return out;
}

}  // namespace orsg
