// What the live views make of the module's replies: scaled values in volts
// or milliamperes with their decimals, counter presets, the digital inputs
// and the status register's bits.
#pragma once

#include <array>
#include <cstdint>
#include <optional>

#include <QLocale>
#include <QString>

namespace rq36 {

// A measured value as the module delivers it (single precision) and the
// number of decimals to show it with.
struct LiveReading {
    float value = 0.0F;
    int decimals = 0;
};

// The reading of a scaled-value reply.  On a current range the module sends
// amperes; the views show milliamperes: the value times 1000, three decimals
// fewer.  A reply with fewer than three decimals (a count that would fall
// below zero) is shown with none: the value is then a whole number of
// milliamperes or more, and whole milliamperes are what the user reads.
LiveReading ReadingOf(const std::array<std::uint8_t, 4>& reply, bool milliamperes);

// A row of the analog view: the formatted value, one blank, the unit.
QString ReadingText(const LiveReading& reading, const QString& unit, const QLocale& locale = QLocale());

// The four value bytes of a counter preset typed by the user, least
// significant first, or none when the text is no signed 32-bit integer (a
// negative value goes as its two's complement: "-1" is FF FF FF FF).
std::optional<std::array<std::uint8_t, 4>> PresetBytes(const QString& text);

// A counter value as the view shows it: unsigned decimal, no separators.
QString CounterText(std::uint32_t value);

// "1" or "0" for bit `bit` of `byte`.
QString BitText(std::uint8_t byte, int bit);

// Status register: bit k of byte j; only bits of byte 0 have names ("FN",
// "PRF", "PWR", "RST", "ERR24"), every other bit is "---".
inline constexpr int kStatusBytes = 4;
QString StatusBitCaption(int byte, int bit);
// What a named bit means and what clears it (a tooltip); empty for the
// unnamed ones.
QString StatusBitToolTip(int byte, int bit);

}  // namespace rq36
