// The arithmetic of an input calibration: where a range's calibration record
// lies in the module, how the offset and gain words are computed from the two
// readings and the entered value, the seven bytes written, and how the
// entered value is read.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include <QLocale>
#include <QString>

namespace rq36 {

// Every input and range owns an 8-byte slot; the program writes bytes 0..6.
inline constexpr int kCalibrationSlotBytes = 8;
inline constexpr int kCalibrationRecordBytes = 7;
inline constexpr int kCalibrationOddInputOffset = 128;
// The reference word: the gain word that stands for the gain 1.
inline constexpr std::uint16_t kCalibrationReferenceWord = 10000;

// The current range accepts an entered value from 1 to 25 mA (both included).
inline constexpr double kMinEnteredCurrent = 1.0;
inline constexpr double kMaxEnteredCurrent = 25.0;

// Bank 30 for AIN0 and AIN1, 31 for AIN2 and AIN3, 32 for AIN4 and AIN5.
std::uint8_t CalibrationBank(int input);
// First address of the slot of an input and range code within its bank.
std::uint8_t CalibrationSlotAddress(int input, int rangeCode);

// Rounded to the nearest integer, halves to the even neighbour.
double RoundHalfEven(double value);

// The offset word for a zero reading: minus the reading, rounded; none when
// that does not fit a signed 16-bit word.
std::optional<std::int16_t> OffsetWord(double zeroReading);

// The gain that makes gain x (reference - zero) equal entered x S; none when
// the readings do not allow one (a reference reading of exactly 0, equal
// readings) or when it is not strictly between 0 and the range's gain bound.
std::optional<double> CalibrationGain(int rangeCode, double enteredValue, double zeroReading, double referenceReading);

// gain x 10000 + 0.5, rounded; none when that exceeds 16 bits.
std::optional<std::uint16_t> GainWord(double gain);

// The seven bytes of a record, in address order: offset word, gain word and
// reference word, each least significant byte first, then the scale byte.
struct CalibrationRecord {
    std::int16_t offsetWord = 0;
    std::uint16_t gainWord = kCalibrationReferenceWord;
    std::uint16_t referenceWord = kCalibrationReferenceWord;
    std::uint8_t scaleByte = 0;

    std::array<std::uint8_t, kCalibrationRecordBytes> Bytes() const;
};

// The record for a range from its two readings and the entered value; none
// when the readings or the value give no gain, or a word that does not fit.
std::optional<CalibrationRecord> ComputeCalibrationRecord(int rangeCode, double enteredValue, double zeroReading,
                                                          double referenceReading);

// The entered value as a decimal number with the locale's decimal separator
// or the other of point and comma (group separators are not accepted); none
// for anything else, including an infinite or undefined number.
std::optional<double> ParseEnteredValue(const QString& text, const QLocale& locale = QLocale());

}  // namespace rq36
