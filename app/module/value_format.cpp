#include "module/value_format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace rq36 {

namespace {

constexpr int kSignificantDigits = 5;

// A decimal number: digits d0 d1 d2 ... with d0 standing for 10^exponent.
struct Decimal {
    bool negative = false;
    std::string digits;  // no leading zero unless the number is zero
    int exponent = 0;
    bool Zero() const { return digits.find_first_not_of('0') == std::string::npos; }
};

Decimal ShortestDecimal(float value) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::scientific);
    Decimal d;
    if (ec != std::errc()) {
        d.digits = "0";
        return d;
    }
    const std::string text(buffer, end);  // "-1.2345e+03"
    std::size_t i = 0;
    if (text[i] == '-') {
        d.negative = true;
        ++i;
    }
    const std::size_t e = text.find('e');
    for (; i < e; ++i)
        if (text[i] != '.') d.digits += text[i];
    d.exponent = std::stoi(text.substr(e + 1));
    return d;
}

// Keeps the digits down to 10^-places, rounding half away from zero.
Decimal RoundToPlaces(Decimal d, int places) {
    const int keep = d.exponent + 1 + places;  // digits that stay
    if (keep < 0) return Decimal{d.negative, "0", 0};
    std::string kept =
        d.digits.substr(0, static_cast<std::size_t>(std::min<int>(keep, static_cast<int>(d.digits.size()))));
    const bool up = keep < static_cast<int>(d.digits.size()) && d.digits[static_cast<std::size_t>(keep)] >= '5';
    if (up) {
        int i = static_cast<int>(kept.size()) - 1;
        for (; i >= 0 && kept[static_cast<std::size_t>(i)] == '9'; --i) kept[static_cast<std::size_t>(i)] = '0';
        if (i >= 0) {
            ++kept[static_cast<std::size_t>(i)];
        } else {
            kept.insert(kept.begin(), '1');
            ++d.exponent;
        }
    }
    if (kept.empty()) return Decimal{d.negative, "0", 0};
    d.digits = kept;
    return d;
}

// The digit of d that stands for 10^power ('0' outside its digits).
char DigitAt(const Decimal& d, int power) {
    const int index = d.exponent - power;
    if (index < 0 || index >= static_cast<int>(d.digits.size())) return '0';
    return d.digits[static_cast<std::size_t>(index)];
}

}  // namespace

QString FormatMeasuredValue(float value, int decimals, const QLocale& locale) {
    decimals = std::max(decimals, 0);
    const QString point = locale.decimalPoint();
    if (!std::isfinite(value)) return QString::number(static_cast<double>(value));

    const Decimal exact = ShortestDecimal(value);
    const int significantPlaces = kSignificantDigits - 1 - exact.exponent;
    const Decimal rounded =
        exact.Zero() ? Decimal{exact.negative, "0", 0} : RoundToPlaces(exact, std::min(decimals, significantPlaces));
    const QString sign = rounded.negative && !rounded.Zero() ? QStringLiteral("-") : QString();

    if (!rounded.Zero() && rounded.exponent >= kSignificantDigits) {
        const Decimal mantissa = RoundToPlaces(exact, significantPlaces);
        QString text = sign + QLatin1Char(mantissa.digits[0]) + point;
        for (int i = 1; i < kSignificantDigits; ++i) text += QLatin1Char(DigitAt(mantissa, mantissa.exponent - i));
        return text + QStringLiteral("E+%1").arg(mantissa.exponent, 2, 10, QLatin1Char('0'));
    }

    QString text = sign;
    for (int power = std::max(rounded.exponent, 0); power >= 0; --power) text += QLatin1Char(DigitAt(rounded, power));
    if (decimals > 0) {
        text += point;
        for (int power = -1; power >= -decimals; --power) text += QLatin1Char(DigitAt(rounded, power));
    }
    return text;
}

}  // namespace rq36
