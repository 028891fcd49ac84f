#include "calibration/calibration_math.h"

#include <cmath>
#include <limits>

#include "module/command_set.h"
#include "module/range_table.h"

namespace rq36 {

std::uint8_t CalibrationBank(int input) { return static_cast<std::uint8_t>(kCalibrationBankFirst + input / 2); }

std::uint8_t CalibrationSlotAddress(int input, int rangeCode) {
    return static_cast<std::uint8_t>(kCalibrationOddInputOffset * (input % 2) + kCalibrationSlotBytes * rangeCode);
}

double RoundHalfEven(double value) {
    const double below = std::floor(value);
    const double fraction = value - below;
    if (fraction > 0.5) return below + 1;
    if (fraction < 0.5) return below;
    return std::fmod(below, 2.0) == 0.0 ? below : below + 1;
}

std::optional<std::int16_t> OffsetWord(double zeroReading) {
    const double word = RoundHalfEven(-zeroReading);
    if (!(word >= std::numeric_limits<std::int16_t>::min() && word <= std::numeric_limits<std::int16_t>::max()))
        return std::nullopt;
    return static_cast<std::int16_t>(word);
}

std::optional<double> CalibrationGain(int rangeCode, double enteredValue, double zeroReading, double referenceReading) {
    const AnalogRange* range = RangeOf(rangeCode);
    if (range == nullptr) return std::nullopt;
    const double zeroCorrection = -zeroReading;
    if (referenceReading == 0.0 || referenceReading + zeroCorrection == 0.0) return std::nullopt;
    const double gain = enteredValue * range->scaleFactor / (referenceReading + zeroCorrection);
    if (!(gain > 0.0 && gain < range->gainBound)) return std::nullopt;
    return gain;
}

std::optional<std::uint16_t> GainWord(double gain) {
    const double word = RoundHalfEven(gain * kCalibrationReferenceWord + 0.5);
    if (!(word >= 0.0 && word <= std::numeric_limits<std::uint16_t>::max())) return std::nullopt;
    return static_cast<std::uint16_t>(word);
}

std::array<std::uint8_t, kCalibrationRecordBytes> CalibrationRecord::Bytes() const {
    const auto offset = static_cast<std::uint16_t>(offsetWord);
    const auto low = [](std::uint16_t w) { return static_cast<std::uint8_t>(w & 0xFF); };
    const auto high = [](std::uint16_t w) { return static_cast<std::uint8_t>(w >> 8); };
    return {low(offset),        high(offset),        low(gainWord), high(gainWord),
            low(referenceWord), high(referenceWord), scaleByte};
}

std::optional<CalibrationRecord> ComputeCalibrationRecord(int rangeCode, double enteredValue, double zeroReading,
                                                          double referenceReading) {
    const std::optional<double> gain = CalibrationGain(rangeCode, enteredValue, zeroReading, referenceReading);
    if (!gain) return std::nullopt;
    const std::optional<std::uint16_t> gainWord = GainWord(*gain);
    const std::optional<std::int16_t> offsetWord = OffsetWord(zeroReading);
    if (!gainWord || !offsetWord) return std::nullopt;
    CalibrationRecord record;
    record.offsetWord = *offsetWord;
    record.gainWord = *gainWord;
    record.scaleByte = RangeOf(rangeCode)->scaleByte;
    return record;
}

std::optional<double> ParseEnteredValue(const QString& text, const QLocale& locale) {
    QLocale strict = locale;
    strict.setNumberOptions(locale.numberOptions() | QLocale::RejectGroupSeparator);
    // No group separator can occur here, so the other of point and comma is
    // a decimal separator too: "9.0" and "9,0" under any locale.
    QString entered = text.trimmed();
    const QString decimal = locale.decimalPoint();
    if (decimal == QStringLiteral(",")) entered.replace(u'.', u',');
    if (decimal == QStringLiteral(".")) entered.replace(u',', u'.');
    bool ok = false;
    const double value = strict.toDouble(entered, &ok);
    if (!ok || !std::isfinite(value)) return std::nullopt;
    return value;
}

}  // namespace rq36
