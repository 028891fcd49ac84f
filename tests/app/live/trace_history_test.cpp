// The plot's history: pixel-column summaries and range statistics against a
// plain pass over the samples, the decimation of old rows, and the memory a
// day-long recording takes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "live/plot/marker_stats.h"
#include "live/plot/trace_history.h"

namespace {

using rq36::ColumnSummary;
using rq36::TraceHistory;

constexpr float kGap = std::numeric_limits<float>::quiet_NaN();

bool Same(float a, float b) { return (std::isnan(a) && std::isnan(b)) || a == b; }

// The column summaries as one plain pass over every row computes them.
std::vector<ColumnSummary> BruteForce(const TraceHistory& h, int trace, double t0, double t1, int columns) {
    std::vector<ColumnSummary> out(static_cast<std::size_t>(columns));
    const double width = (t1 - t0) / columns;
    const auto edge = [&](int c) { return c == columns ? t1 : t0 + c * width; };
    for (std::size_t row = 0; row < h.Rows(); ++row) {
        const double t = h.Time(row);
        if (t < t0 || t >= t1) continue;
        int c = std::clamp(static_cast<int>((t - t0) / width), 0, columns - 1);
        while (c > 0 && t < edge(c)) --c;
        while (c + 1 < columns && t >= edge(c + 1)) ++c;
        ColumnSummary& s = out[static_cast<std::size_t>(c)];
        const float v = h.Value(trace, row);
        if (s.rows == 0) s.first = v;
        s.last = v;
        ++s.rows;
        if (std::isnan(v)) {
            s.gap = true;
        } else {
            s.min = std::isnan(s.min) ? v : std::min(s.min, v);
            s.max = std::isnan(s.max) ? v : std::max(s.max, v);
        }
    }
    return out;
}

// Random walks with runs of gaps, at irregular times (some repeated).
TraceHistory RandomHistory(std::mt19937& random, std::size_t rows, int traces, std::size_t capacity) {
    TraceHistory h(capacity);
    for (int i = 0; i < traces; ++i) h.AddTrace();
    std::uniform_real_distribution<float> step(-1, 1);
    std::uniform_int_distribution<int> dice(0, 99);
    std::vector<float> level(static_cast<std::size_t>(traces), 0.0f);
    std::vector<int> gapLeft(static_cast<std::size_t>(traces), 0);
    std::vector<float> row(static_cast<std::size_t>(traces));
    double t = 0;
    for (std::size_t n = 0; n < rows; ++n) {
        t += dice(random) < 5 ? 0.0 : 0.05 + 0.1 * dice(random) / 100.0;
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (gapLeft[i] == 0 && dice(random) < 2) gapLeft[i] = 1 + dice(random) % 40;
            level[i] += step(random);
            row[i] = gapLeft[i] > 0 ? kGap : level[i];
            if (gapLeft[i] > 0) --gapLeft[i];
        }
        EXPECT_TRUE(h.Append(t, row));
    }
    return h;
}

TEST(TraceHistory, ColumnSummariesEqualAPassOverTheSamples) {
    std::mt19937 random(7);
    const TraceHistory h = RandomHistory(random, 30000, 2, TraceHistory::kDefaultCapacity);
    std::uniform_real_distribution<double> at(-50, h.LastTime() + 50);
    std::vector<ColumnSummary> fast;
    // Ranges beyond either end, columns of many blocks, and columns finer
    // than the samples (most of them empty).
    for (const int columns : {1, 3, 97, 1200, 50000}) {
        for (int k = 0; k < 4; ++k) {
            double t0 = at(random);
            double t1 = at(random);
            if (t1 < t0) std::swap(t0, t1);
            if (columns == 50000) t1 = t0 + 30;
            for (int trace = 0; trace < 2; ++trace) {
                h.Summarize(trace, t0, t1, columns, fast);
                const auto slow = BruteForce(h, trace, t0, t1, columns);
                ASSERT_EQ(fast.size(), slow.size());
                for (std::size_t c = 0; c < slow.size(); ++c) {
                    const ColumnSummary& a = fast[c];
                    const ColumnSummary& b = slow[c];
                    ASSERT_TRUE(a.rows == b.rows && a.gap == b.gap && Same(a.min, b.min) && Same(a.max, b.max) &&
                                Same(a.first, b.first) && Same(a.last, b.last))
                        << "columns " << columns << " column " << c << " of [" << t0 << ", " << t1 << "): rows "
                        << a.rows << "/" << b.rows << " min " << a.min << "/" << b.min << " max " << a.max << "/"
                        << b.max << " first " << a.first << "/" << b.first << " last " << a.last << "/" << b.last;
                }
            }
        }
    }
    h.Summarize(0, 5, 5, 10, fast);
    EXPECT_TRUE(fast.empty());
}

TEST(TraceHistory, RangeStatsLeaveGapsOutAndEqualAPassOverTheSamples) {
    std::mt19937 random(11);
    const TraceHistory h = RandomHistory(random, 20000, 1, TraceHistory::kDefaultCapacity);
    std::uniform_real_distribution<double> at(0, h.LastTime());
    for (int k = 0; k < 20; ++k) {
        const double a = at(random);
        const double b = k == 0 ? a : at(random);  // both markers on one time too
        const auto fast = rq36::ComputeMarkerStats(h, a, b);
        EXPECT_DOUBLE_EQ(fast.interval, std::abs(b - a));
        std::size_t count = 0;
        double sum = 0;
        double lo = 1e30;
        double hi = -1e30;
        for (std::size_t row = 0; row < h.Rows(); ++row) {
            const float v = h.Value(0, row);
            if (h.Time(row) < fast.from || h.Time(row) > fast.to || std::isnan(v)) continue;
            ++count;
            sum += v;
            lo = std::min<double>(lo, v);
            hi = std::max<double>(hi, v);
        }
        ASSERT_EQ(fast.traces.size(), 1u);
        EXPECT_EQ(fast.traces[0].count, count);
        if (count == 0) continue;
        EXPECT_EQ(fast.traces[0].min, lo);
        EXPECT_EQ(fast.traces[0].max, hi);
        EXPECT_NEAR(fast.traces[0].mean, sum / static_cast<double>(count), 1e-6 * (1 + std::abs(sum)));
    }
}

TEST(TraceHistory, RowsKeepTheirOrderAndMissingValuesAreGaps) {
    TraceHistory h;
    h.AddTrace();
    EXPECT_TRUE(std::isnan(h.LastValue(0)));
    const std::vector<float> one = {1.5f};
    EXPECT_TRUE(h.Append(1, one));
    EXPECT_FALSE(h.Append(0.5, one));  // time going back
    EXPECT_FALSE(h.Append(std::numeric_limits<double>::quiet_NaN(), one));
    EXPECT_TRUE(h.Append(1, one));  // the same time again is kept
    EXPECT_EQ(h.Rows(), 2u);
    h.AddTrace();  // a later trace has gaps where it was not yet sampled
    EXPECT_TRUE(std::isnan(h.Value(1, 0)));
    EXPECT_TRUE(h.Append(2, one));  // a short row: the second trace has a gap
    EXPECT_TRUE(std::isnan(h.LastValue(1)));
    EXPECT_TRUE(h.Append(3, std::vector<float>{std::numeric_limits<float>::infinity(), 2}));
    EXPECT_TRUE(std::isnan(h.LastValue(0)));  // an infinity is no value either
    EXPECT_EQ(h.Value(0, 2), 1.5f);
    EXPECT_EQ(h.Stats(1, 0, 2.5).count, 0u);
    EXPECT_EQ(h.Stats(1, 0, 10).count, 1u);
    h.ClearRows();
    EXPECT_TRUE(h.Empty());
    EXPECT_EQ(h.TraceCount(), 2);
}

TEST(TraceHistory, OldRowsAreDecimatedKeepingExtremesGapsAndTheNewestRows) {
    constexpr std::size_t kCapacity = 1024;
    TraceHistory h(kCapacity);
    h.AddTrace();
    std::vector<float> all;
    for (int n = 0; n < 6000; ++n) {
        float v = static_cast<float>(std::sin(n * 0.05)) + (n == 777 ? 9.0f : 0.0f);
        if (n >= 300 && n < 310) v = kGap;
        all.push_back(v);
        ASSERT_TRUE(h.Append(n * 0.1, std::vector<float>{v}));
        ASSERT_LE(h.Rows(), kCapacity);
    }
    EXPECT_GT(h.Decimations(), 0);
    // The newest rows are untouched.
    for (std::size_t k = 1; k <= kCapacity * 3 / 8; ++k) {
        ASSERT_EQ(h.Value(0, h.Rows() - k), all[all.size() - k]);
        ASSERT_DOUBLE_EQ(h.Time(h.Rows() - k), (6000.0 - static_cast<double>(k)) * 0.1);
    }
    for (std::size_t row = 1; row < h.Rows(); ++row) ASSERT_LE(h.Time(row - 1), h.Time(row));
    // The start, the peak and the gap of the oldest data are still there
    // (the gap somewhere in the coarse block that holds it).
    EXPECT_EQ(h.FirstTime(), 0.0);
    EXPECT_EQ(h.Stats(0, 0, 1e9).max, 9.0f + static_cast<float>(std::sin(777 * 0.05)));
    std::vector<ColumnSummary> columns;
    h.Summarize(0, 0, 250, 1, columns);
    EXPECT_TRUE(columns[0].gap);
    h.Summarize(0, 250, 600, 1, columns);
    EXPECT_FALSE(columns[0].gap);
    EXPECT_LE(h.MemoryBytes(), kCapacity * (8 + 4) + (kCapacity / 64 + 2) * 24 + 2 * 24 + 256);
}

// A day at 10 samples a second of 12 channels stays whole and within 64 MB.
TEST(TraceHistory, ADayOfTwelveChannelsFitsIn64MB) {
    TraceHistory h;
    for (int i = 0; i < 12; ++i) h.AddTrace();
    std::vector<float> row(12);
    for (int n = 0; n < 864000; ++n) {
        for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<float>(n % 100 + static_cast<int>(i));
        h.Append(n * 0.1, row);
    }
    EXPECT_EQ(h.Rows(), 864000u);
    EXPECT_EQ(h.Decimations(), 0);
    EXPECT_LE(h.MemoryBytes(), 64u * 1000 * 1000);
}

TEST(MarkerStats, TextsSayIntervalStatisticsAndMissingSamples) {
    const QLocale czech(QLocale::Czech);
    rq36::MarkerStats stats;
    stats.interval = 12.5;
    EXPECT_EQ(rq36::IntervalText(stats, czech), QStringLiteral("Δt = 12,5 s"));
    rq36::RangeStats range{3, -0.5, 2.25, 1.0};
    EXPECT_EQ(rq36::TraceStatsText(range, 3, QStringLiteral("V"), czech),
              QStringLiteral("min -0,500  max 2,250  průměr 1,000 V"));
    EXPECT_EQ(rq36::TraceStatsText(rq36::RangeStats{20, 0, 1, 0.35}, 0, QStringLiteral("bit"), czech),
              QStringLiteral("min 0  max 1  průměr 0,35 bit"));
    EXPECT_EQ(rq36::TraceStatsText(rq36::RangeStats{}, 3, QStringLiteral("V"), czech), QStringLiteral("bez vzorků"));
}

}  // namespace
