// Where the plot's axes put their ticks and what the ticks read.  Value axes
// step by "nice" numbers (1, 2 or 5 x 10^n) and write them with the user's
// decimal separator.  The time axis steps by what a clock reader expects for
// the span shown (fractions of a second, 1/2/5/10/15/30 s, the same in
// minutes, 1/2/3/6/12 h, days) and reads as a clock: elapsed time since the
// start of the recording ("0:05", "1:02:30", "0:05,5"), or the time of day
// when the recording's start is known ("12:03:40").
#pragma once

#include <vector>

#include <QDateTime>
#include <QLocale>
#include <QString>

namespace rq36 {

struct AxisTicks {
    double step = 0;             // between neighbouring ticks; 0: no ticks
    int decimals = 0;            // the decimals the step needs (seconds' decimals on the time axis)
    std::vector<double> values;  // ascending, all within the range
    bool hours = false;          // time axis: the span reaches an hour, labels carry hours
};

// The smallest nice number (1, 2 or 5 x 10^n) not below `raw` (> 0).
double NiceStep(double raw);

// Ticks over [lo, hi] drawn along `pixels`, at least `minSpacing` pixels
// apart and `minStep` (whole numbers: 1).  No ticks for an empty or not
// finite range.
AxisTicks ValueTicks(double lo, double hi, double pixels, double minSpacing = 36, double minStep = 0);
QString ValueTickLabel(double value, const AxisTicks& ticks, const QLocale& locale = QLocale());

// Ticks over [t0, t1] seconds, at least `minSpacing` pixels apart, on
// multiples of the step counted from `offset` seconds before time 0 (the
// seconds since midnight of the recording's start, so that ticks fall on
// whole minutes of the clock; 0 for elapsed time).
AxisTicks TimeTicks(double t0, double t1, double pixels, double minSpacing = 70, double offset = 0);
// Elapsed: "m:ss" below an hour of span end, "h:mm:ss" beyond, the step's
// decimals after the seconds.  With a valid `start`, the time of day
// ("hh:mm:ss").
QString TimeTickLabel(double seconds, const AxisTicks& ticks, const QDateTime& start = {},
                      const QLocale& locale = QLocale());

// A duration as the marker readout writes it: "12,5 s", "3 min 12,5 s",
// "2 h 03 min 12 s".
QString DurationText(double seconds, const QLocale& locale = QLocale());

}  // namespace rq36
