// The plot's axis ticks: nice steps, the time steps a span gets, and how the
// labels read in the user's locale.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "live/plot/plot_ticks.h"

namespace {

const QLocale kCzech(QLocale::Czech);

TEST(PlotTicks, StepsAreOneTwoOrFiveTimesAPowerOfTen) {
    const std::vector<std::pair<double, double>> cases = {{0.7, 1}, {1, 1},        {1.3, 2},   {2.5, 5},
                                                          {7, 10},  {0.013, 0.02}, {3e5, 5e5}, {0.2, 0.2}};
    for (const auto& [raw, nice] : cases) EXPECT_DOUBLE_EQ(rq36::NiceStep(raw), nice) << raw;
    EXPECT_EQ(rq36::NiceStep(0), 0);
}

TEST(PlotTicks, ValueTicksCoverTheRangeAtNiceStepsInTheLocale) {
    const auto ticks = rq36::ValueTicks(-1.3, 1.3, 200, 40);  // raw step 0.52
    EXPECT_DOUBLE_EQ(ticks.step, 1);
    ASSERT_EQ(ticks.values, (std::vector<double>{-1, 0, 1}));
    const auto fine = rq36::ValueTicks(0.02, 0.31, 300, 30);  // raw 0.029
    EXPECT_DOUBLE_EQ(fine.step, 0.05);
    EXPECT_EQ(fine.decimals, 2);
    ASSERT_EQ(fine.values.size(), 6u);
    EXPECT_EQ(rq36::ValueTickLabel(fine.values[0], fine, kCzech), QStringLiteral("0,05"));
    const auto counts = rq36::ValueTicks(0, 120000, 300, 30);
    EXPECT_EQ(rq36::ValueTickLabel(counts.values.back(), counts, QLocale::c()), QStringLiteral("120000"));
    EXPECT_EQ(rq36::ValueTicks(-0.1, 1.1, 200, 30, 1).values, (std::vector<double>{0, 1}));
    // Nothing for ranges that are empty or not numbers.
    EXPECT_TRUE(rq36::ValueTicks(1, 1, 100).values.empty());
    EXPECT_TRUE(rq36::ValueTicks(0, std::numeric_limits<double>::infinity(), 100).values.empty());
    EXPECT_TRUE(rq36::ValueTicks(0, 1, 0).values.empty());
}

TEST(PlotTicks, TimeStepsSuitTheSpan) {
    struct Case {
        double span;
        double step;
    };
    // 600 pixels, ticks at least 70 apart.
    for (const Case c : {Case{2, 0.5}, Case{60, 10}, Case{300, 60}, Case{3600, 600}, Case{86400, 10800},
                         Case{30 * 86400.0, 5 * 86400.0}}) {
        EXPECT_DOUBLE_EQ(rq36::TimeTicks(0, c.span, 600, 70).step, c.step) << c.span;
    }
}

TEST(PlotTicks, TimeLabelsReadAsAClock) {
    const auto minutes = rq36::TimeTicks(0, 300, 600, 70);
    EXPECT_EQ(rq36::TimeTickLabel(0, minutes, {}, kCzech), QStringLiteral("0:00"));
    EXPECT_EQ(rq36::TimeTickLabel(240, minutes, {}, kCzech), QStringLiteral("4:00"));
    const auto hours = rq36::TimeTicks(3000, 7200, 600, 70);
    EXPECT_EQ(rq36::TimeTickLabel(3600, hours, {}, kCzech), QStringLiteral("1:00:00"));
    EXPECT_EQ(rq36::TimeTickLabel(3000, hours, {}, kCzech), QStringLiteral("0:50:00"));
    const auto fractions = rq36::TimeTicks(64, 66, 600, 70);
    EXPECT_EQ(rq36::TimeTickLabel(65.5, fractions, {}, kCzech), QStringLiteral("1:05,5"));
    EXPECT_EQ(rq36::TimeTickLabel(-5, minutes, {}, kCzech), QStringLiteral("-0:05"));

    // With the start known: the time of day, ticks on whole clock steps.
    const QDateTime start(QDate(2026, 3, 2), QTime(12, 3, 33));
    const double offset = start.time().msecsSinceStartOfDay() / 1000.0;
    const auto clock = rq36::TimeTicks(0, 60, 600, 70, offset);
    ASSERT_FALSE(clock.values.empty());
    EXPECT_DOUBLE_EQ(clock.values.front(), 7);
    EXPECT_EQ(rq36::TimeTickLabel(clock.values.front(), clock, start, kCzech), QStringLiteral("12:03:40"));
}

TEST(PlotTicks, DurationsGrowUnitsAsTheyLengthen) {
    EXPECT_EQ(rq36::DurationText(0.25, kCzech), QStringLiteral("0,25 s"));
    EXPECT_EQ(rq36::DurationText(12.5, kCzech), QStringLiteral("12,5 s"));
    EXPECT_EQ(rq36::DurationText(192.5, kCzech), QStringLiteral("3 min 12,5 s"));
    EXPECT_EQ(rq36::DurationText(2 * 3600 + 3 * 60 + 12, kCzech), QStringLiteral("2 h 03 min 12 s"));
}

}  // namespace
