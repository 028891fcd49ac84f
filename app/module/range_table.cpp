#include "module/range_table.h"

namespace rq36 {

namespace {
constexpr double kLowGainBound = 6.5534;
constexpr double kHighGainBound = 65.534;
}  // namespace

// The 10, 5 and 2 V ranges count 1000 per volt, the 1 V, 500 mV and 200 mV
// ranges 10000 per volt, the current ranges 1000 per milliampere.  The AC
// current range may be corrected by a larger gain than the DC one.
const std::array<AnalogRange, kRangeCodes> kAnalogRanges = {{
    {"+/- 10V DC", Quantity::Voltage, 1000, kLowGainBound, 0x83},
    {"+/- 5V DC", Quantity::Voltage, 1000, kLowGainBound, 0x83},
    {"+/- 2V DC", Quantity::Voltage, 1000, kLowGainBound, 0x83},
    {"+/- 1V DC", Quantity::Voltage, 10000, kHighGainBound, 0x84},
    {"+/- 500mV DC", Quantity::Voltage, 10000, kHighGainBound, 0x84},
    {"+/- 200mV DC", Quantity::Voltage, 10000, kHighGainBound, 0x84},
    {"+/- 25mA DC", Quantity::Current, 1000, kLowGainBound, 0x86},
    {"10V AC", Quantity::Voltage, 1000, kLowGainBound, 0x83},
    {"5V AC", Quantity::Voltage, 1000, kLowGainBound, 0x83},
    {"2V AC", Quantity::Voltage, 1000, kLowGainBound, 0x83},
    {"1V AC", Quantity::Voltage, 10000, kHighGainBound, 0x84},
    {"500mV AC", Quantity::Voltage, 10000, kHighGainBound, 0x84},
    {"200mV AC", Quantity::Voltage, 10000, kHighGainBound, 0x84},
    {"20mA AC", Quantity::Current, 1000, kHighGainBound, 0x86},
}};

const AnalogRange* RangeOf(int code) {
    if (code < 0 || code >= kRangeCodes) return nullptr;
    return &kAnalogRanges[static_cast<std::size_t>(code)];
}

bool IsCurrentRange(int code) {
    const AnalogRange* range = RangeOf(code);
    return range != nullptr && range->quantity == Quantity::Current;
}

QString RangeUnit(int code) { return IsCurrentRange(code) ? QStringLiteral("mA") : QStringLiteral("V"); }

QStringList RangeListTexts() {
    QStringList texts;
    for (const AnalogRange& range : kAnalogRanges) texts << QString::fromUtf8(range.listText);
    return texts;
}

QString RangeLogText(int code) {
    const AnalogRange* range = RangeOf(code);
    if (range == nullptr) return QStringLiteral(" (\?\?\?)   ");
    return QStringLiteral(" (") + QString::fromUtf8(range->listText) + QStringLiteral(") ");
}

}  // namespace rq36
