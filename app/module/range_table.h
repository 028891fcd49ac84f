// The fourteen measuring ranges of an analog input: how the range dialog
// lists them, how the calibration log names them, whether they measure a
// voltage or a current, and what the calibration of a range needs.
#pragma once

#include <array>
#include <cstdint>

#include <QString>
#include <QStringList>

namespace rq36 {

inline constexpr int kRangeCodes = 14;

enum class Quantity : std::uint8_t { Voltage, Current };

struct AnalogRange {
    const char* listText;  // list item, e.g. "+/- 10V DC"
    Quantity quantity;
    double scaleFactor;      // S: counts per volt (1000, 10000) or per milliampere (1000)
    double gainBound;        // a calibration gain must stay strictly below this
    std::uint8_t scaleByte;  // 0x80 + decimal exponent of the scale
};

// Range codes 0..13, in list order.
extern const std::array<AnalogRange, kRangeCodes> kAnalogRanges;

// The range of a code, or nullptr for any code outside 0..13.
const AnalogRange* RangeOf(int code);

// True for the two current ranges (codes 6 and 13).
bool IsCurrentRange(int code);

// The live views' unit: "mA" for the current ranges, "V" for every other code.
QString RangeUnit(int code);

// The fourteen list texts.
QStringList RangeListTexts();

// The range as the calibration log names it: " (+/- 10V DC) ", and
// " (???)   " for a code outside the table.
QString RangeLogText(int code);

}  // namespace rq36
