#include "live/plot/marker_stats.h"

#include <algorithm>

#include "live/plot/plot_ticks.h"
#include "module/value_format.h"

namespace rq36 {

MarkerStats ComputeMarkerStats(const TraceHistory& history, double first, double second) {
    MarkerStats stats;
    stats.from = std::min(first, second);
    stats.to = std::max(first, second);
    stats.interval = stats.to - stats.from;
    stats.traces.reserve(static_cast<std::size_t>(history.TraceCount()));
    for (int trace = 0; trace < history.TraceCount(); ++trace) {
        stats.traces.push_back(history.Stats(trace, stats.from, stats.to));
    }
    return stats;
}

QString IntervalText(const MarkerStats& stats, const QLocale& locale) {
    return QStringLiteral("Δt = ") + DurationText(stats.interval, locale);
}

QString TraceStatsText(const RangeStats& stats, int decimals, const QString& unit, const QLocale& locale) {
    if (stats.count == 0) return QStringLiteral("bez vzorků");
    const auto value = [&](double v, int places) { return FormatMeasuredValue(static_cast<float>(v), places, locale); };
    // The mean of whole numbers (a bit's share of time, a count's rate) needs
    // decimals of its own.
    QString text =
        QStringLiteral("min %1  max %2  průměr %3")
            .arg(value(stats.min, decimals), value(stats.max, decimals), value(stats.mean, std::max(decimals, 2)));
    if (!unit.isEmpty()) text += QLatin1Char(' ') + unit;
    return text;
}

}  // namespace rq36
