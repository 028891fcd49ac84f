// What the plot's two markers read: the time between them and, per trace,
// the minimum, maximum and mean of its samples between them (gaps left out).
#pragma once

#include <vector>

#include <QLocale>
#include <QString>

#include "live/plot/trace_history.h"

namespace rq36 {

struct MarkerStats {
    double from = 0;  // the earlier marker, seconds
    double to = 0;    // the later one
    double interval = 0;
    std::vector<RangeStats> traces;  // one per trace of the history
};

// The statistics between two marker times (in either order), both ends
// included.
MarkerStats ComputeMarkerStats(const TraceHistory& history, double first, double second);

// "Δt = 12,5 s"
QString IntervalText(const MarkerStats& stats, const QLocale& locale = QLocale());
// "min 0,102  max 2,351  průměr 1,204 V", or "bez vzorků" when the trace has
// no sample between the markers; `decimals` as the trace's values have (the
// mean at least two).
QString TraceStatsText(const RangeStats& stats, int decimals, const QString& unit, const QLocale& locale = QLocale());

}  // namespace rq36
