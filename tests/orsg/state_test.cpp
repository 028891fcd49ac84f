// History rings, statistics and time stamps of the library state.
#include <gtest/gtest.h>

#include <clocale>
#include <regex>

#include "library_state.h"

namespace {

orsg::CommRecord RecordWithIndex(int32_t index) {
    orsg::CommRecord r;
    r.index = index;
    r.status = index % 10;
    return r;
}

// Order and dropping beyond 200 are checked through the exchanges.
TEST(History, ClearingAndEntriesOutsideTheHistoryGiveClearedRecords) {
    auto history = std::make_unique<orsg::History>();
    for (int i = 1; i <= 250; ++i) history->Push(RecordWithIndex(i));
    EXPECT_EQ(history->Entry(200).index, 0);
    EXPECT_EQ(history->Entry(-1).index, 0);
    history->Clear();
    for (int k = 0; k < 200; ++k) ASSERT_EQ(history->Entry(k).index, 0);
    history->Push(RecordWithIndex(9));
    EXPECT_EQ(history->Entry(0).index, 9);
    EXPECT_EQ(history->Entry(1).index, 0);
}

TEST(History, ARecordBuiltButNotCommittedStaysOutside) {
    auto history = std::make_unique<orsg::History>();
    for (int i = 1; i <= 200; ++i) history->Push(RecordWithIndex(i));
    history->Next() = RecordWithIndex(999);  // an exchange that failed
    for (int k = 0; k < 200; ++k) ASSERT_EQ(history->Entry(k).index, 200 - k) << k;
    history->Next().index = 201;
    history->Commit();
    EXPECT_EQ(history->Entry(0).index, 201);
    EXPECT_EQ(history->Entry(199).index, 2);
}

TEST(Statistics, TickTurnsCountersIntoRates) {
    orsg::Statistics s;
    orsg::TickSecond(s);
    EXPECT_EQ(s.errorRate, 0.0);  // no calls: no division
    s.totalCalls = 8;
    s.totalErrors = 3;
    s.callsThisSecond = 8;
    orsg::TickSecond(s);
    EXPECT_DOUBLE_EQ(s.errorRate, 37.5);
    EXPECT_EQ(s.callsPerSecond, 8u);
    EXPECT_EQ(s.callsThisSecond, 0u);
    orsg::TickSecond(s);
    EXPECT_EQ(s.callsPerSecond, 0u);  // idle host: drops at the next tick
    s.lastStatus = 4;
    orsg::ClearStatistics(s);
    EXPECT_EQ(s.totalCalls, 0u);
    EXPECT_EQ(s.totalErrors, 0u);
    EXPECT_EQ(s.errorRate, 0.0);
}

TEST(TimeStamper, MillisecondsAreAppendedWithThreeDigits) {
    orsg::TimeStamper stamper;
    orsg::StampText date;
    orsg::StampText time;
    const int64_t second = 1733580333;  // a moment in December 2024
    constexpr int64_t kMs = 1'000'000;
    stamper.StampAt(second * 1'000'000'000 + 45 * kMs + 999, date, time);
    const std::string first(orsg::TextOf(time));
    EXPECT_TRUE(std::regex_match(first, std::regex(R"(.*\d\d.*\.045)"))) << first;
    EXPECT_NE(orsg::TextOf(date), "");

    stamper.StampAt(second * 1'000'000'000 + 999 * kMs, date, time);
    EXPECT_EQ(std::string(orsg::TextOf(time)), first.substr(0, first.size() - 3) + "999");
    stamper.StampAt((second + 1) * 1'000'000'000 + 7 * kMs, date, time);  // next second: formatted anew
    const std::string next(orsg::TextOf(time));
    EXPECT_NE(next.substr(0, next.size() - 4), first.substr(0, first.size() - 4));
    EXPECT_EQ(next.substr(next.size() - 4), ".007");
    stamper.StampAt(second * 1'000'000'000, date, time);  // back in time: formatted anew
    EXPECT_EQ(std::string(orsg::TextOf(time)), first.substr(0, first.size() - 3) + "000");
}

TEST(TimeStamper, FollowsTheCLibrarysTimeLocale) {
    // The C locale's formats; a Qt host switches to the user's locale.
    ASSERT_NE(std::setlocale(LC_TIME, "C"), nullptr);
    orsg::TimeStamper stamper;
    orsg::StampText date;
    orsg::StampText time;
    stamper.Stamp(date, time);
    EXPECT_TRUE(std::regex_match(std::string(orsg::TextOf(date)), std::regex(R"(\d\d/\d\d/\d\d)")));
    EXPECT_TRUE(std::regex_match(std::string(orsg::TextOf(time)), std::regex(R"(\d\d:\d\d:\d\d\.\d\d\d)")));
    EXPECT_TRUE(std::regex_match(std::string(orsg::TextOf(orsg::TimeStamper::Now())),
                                 std::regex(R"(\d\d/\d\d/\d\d \d\d:\d\d:\d\d)")));
}

}  // namespace
