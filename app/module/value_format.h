// How the live views and the calibration dialog write a measured value.
#pragma once

#include <QLocale>
#include <QString>

namespace rq36 {

// The value rounded once, to 5 significant digits or to `decimals` decimal
// places, whichever keeps fewer digits (a first dropped digit of 5 or more
// rounds away from zero), written with exactly `decimals` digits after the
// locale's decimal separator, zeros padded; a leading "-" when negative.
// When the rounded value has more than five digits before the separator it
// is written in scientific notation instead: five significant digits and
// the exponent, "1,2346E+05".
//
// The value is the single-precision number the module's reply decodes to;
// it is rounded as the decimal number it stands for (its shortest decimal
// form), so 1234.45 with one decimal gives 1234.5, not 1234.4.
QString FormatMeasuredValue(float value, int decimals, const QLocale& locale = QLocale());

}  // namespace rq36
