#include "live/plot/plot_ticks.h"

#include <array>
#include <cmath>

namespace rq36 {

namespace {

constexpr int kMaxTicks = 1000;

int DecimalsOf(double step) {
    const double exponent = std::floor(std::log10(step) + 1e-9);
    return exponent < 0 ? static_cast<int>(-exponent) : 0;
}

// Multiples of `step` (counted from -offset) within [lo, hi].
std::vector<double> Multiples(double lo, double hi, double step, double offset) {
    std::vector<double> values;
    const double slack = step * 1e-9;
    const double first = std::ceil((lo + offset - slack) / step);
    const double last = std::floor((hi + offset + slack) / step);
    if (!(last - first < kMaxTicks)) return values;
    for (double k = first; k <= last; k += 1) {
        double v = k * step - offset;
        if (std::abs(v) < slack) v = 0;  // never "-0"
        values.push_back(v);
    }
    return values;
}

// Seconds with their decimals, two digits before the separator: "05,5".
QString Seconds(double seconds, int decimals, const QLocale& locale) {
    QString text = locale.toString(seconds, 'f', decimals);
    const int whole =
        decimals > 0 ? static_cast<int>(text.indexOf(locale.decimalPoint())) : static_cast<int>(text.size());
    if (whole == 1) text.prepend(QLatin1Char('0'));
    return text;
}

}  // namespace

double NiceStep(double raw) {
    if (!(raw > 0) || !std::isfinite(raw)) return 0;
    const double base = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double factor : {1.0, 2.0, 5.0}) {
        if (factor * base >= raw * (1 - 1e-9)) return factor * base;
    }
    return 10 * base;
}

AxisTicks ValueTicks(double lo, double hi, double pixels, double minSpacing, double minStep) {
    AxisTicks ticks;
    if (!std::isfinite(lo) || !std::isfinite(hi) || !(hi > lo) || !(pixels > 0) || !(minSpacing > 0)) return ticks;
    ticks.step = NiceStep(std::max((hi - lo) * minSpacing / pixels, minStep));
    if (ticks.step == 0) return ticks;
    ticks.decimals = DecimalsOf(ticks.step);
    ticks.values = Multiples(lo, hi, ticks.step, 0);
    return ticks;
}

QString ValueTickLabel(double value, const AxisTicks& ticks, const QLocale& locale) {
    return locale.toString(value, 'f', ticks.decimals);
}

AxisTicks TimeTicks(double t0, double t1, double pixels, double minSpacing, double offset) {
    AxisTicks ticks;
    if (!std::isfinite(t0) || !std::isfinite(t1) || !(t1 > t0) || !(pixels > 0) || !(minSpacing > 0)) return ticks;
    const double raw = (t1 - t0) * minSpacing / pixels;
    static constexpr std::array<double, 18> kClockSteps = {1,   2,   5,    10,   15,   30,    60,    120,   300,
                                                           600, 900, 1800, 3600, 7200, 10800, 21600, 43200, 86400};
    if (raw < 1) {
        ticks.step = NiceStep(raw);
        ticks.decimals = DecimalsOf(ticks.step);
    } else if (raw > kClockSteps.back()) {
        ticks.step = kClockSteps.back() * NiceStep(raw / kClockSteps.back());
    } else {
        for (const double step : kClockSteps) {
            if (step >= raw) {
                ticks.step = step;
                break;
            }
        }
    }
    ticks.values = Multiples(t0, t1, ticks.step, offset);
    ticks.hours = std::max(std::abs(t0), std::abs(t1)) >= 3600;
    return ticks;
}

QString TimeTickLabel(double seconds, const AxisTicks& ticks, const QDateTime& start, const QLocale& locale) {
    const double scale = std::pow(10.0, ticks.decimals);
    if (start.isValid()) {
        const QDateTime at = start.addMSecs(std::llround(seconds * 1000));
        const QTime time = at.time();
        const double inMinute = std::round((time.second() + time.msec() / 1000.0) * scale) / scale;
        return QStringLiteral("%1:%2:%3")
            .arg(time.hour(), 2, 10, QLatin1Char('0'))
            .arg(time.minute(), 2, 10, QLatin1Char('0'))
            .arg(Seconds(std::min(inMinute, 59.999), ticks.decimals, locale));
    }
    const double total = std::round(std::abs(seconds) * scale) / scale;
    const auto wholeMinutes = static_cast<long long>(std::floor(total / 60));
    const double rest = total - 60.0 * static_cast<double>(wholeMinutes);
    const QString sign = seconds < 0 && total > 0 ? QStringLiteral("-") : QString();
    if (ticks.hours) {
        return QStringLiteral("%1%2:%3:%4")
            .arg(sign)
            .arg(wholeMinutes / 60)
            .arg(wholeMinutes % 60, 2, 10, QLatin1Char('0'))
            .arg(Seconds(rest, ticks.decimals, locale));
    }
    return QStringLiteral("%1%2:%3").arg(sign).arg(wholeMinutes).arg(Seconds(rest, ticks.decimals, locale));
}

QString DurationText(double seconds, const QLocale& locale) {
    const double s = std::abs(seconds);
    if (s < 10) return locale.toString(s, 'f', 2) + QStringLiteral(" s");
    if (s < 60) return locale.toString(s, 'f', 1) + QStringLiteral(" s");
    if (s < 3600) {
        const double tenths = std::round(s * 10) / 10;
        const auto minutes = static_cast<long long>(std::floor(tenths / 60));
        return QStringLiteral("%1 min %2 s")
            .arg(minutes)
            .arg(locale.toString(tenths - 60.0 * static_cast<double>(minutes), 'f', 1));
    }
    const auto whole = std::llround(s);
    return QStringLiteral("%1 h %2 min %3 s")
        .arg(whole / 3600)
        .arg(whole / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(whole % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace rq36
