#include "live/live_values.h"

#include <algorithm>

#include "int_text.h"
#include "module/command_set.h"
#include "module/value_format.h"

namespace rq36 {

namespace {
constexpr int kMilliPerUnit = 1000;
constexpr int kMilliDecimals = 3;
constexpr std::array<const char*, 8> kStatusByte0Names = {"---", "FN", "PRF", "---", "PWR", "RST", "ERR24", "---"};
constexpr char kClearedByButton[] = "Smaže ho tlačítko „Vynulovat“.";
constexpr char kClearedWhenGone[] = "Smaže ho tlačítko „Vynulovat“; trvá-li příčina, modul ho nastaví znovu.";
constexpr std::array<std::pair<const char*, const char*>, 8> kStatusByte0Meanings = {{
    {nullptr, nullptr},
    {"FN – porucha funkce: modul zjistil chybu svého měřicího obvodu.", kClearedWhenGone},
    {"PRF – chyba parametrů: obsah konfigurační paměti neprošel kontrolou.", kClearedWhenGone},
    {nullptr, nullptr},
    {"PWR – zapnutí: modul byl zapnut nebo vypadlo jeho napájení.", kClearedByButton},
    {"RST – restart: modul provedl restart (např. „Restart modulu“).", kClearedByButton},
    {"ERR24 – chyba napájení 24 V: vnější napájení vstupů a výstupů chybí nebo je mimo meze.", kClearedWhenGone},
    {nullptr, nullptr},
}};
}  // namespace

LiveReading ReadingOf(const std::array<std::uint8_t, 4>& reply, bool milliamperes) {
    const double value = DecodeScaledValue(reply);
    const int decimals = ScaledValueDecimals(reply[3]);
    if (!milliamperes) return {static_cast<float>(value), decimals};
    return {static_cast<float>(value * kMilliPerUnit), std::max(decimals - kMilliDecimals, 0)};
}

QString ReadingText(const LiveReading& reading, const QString& unit, const QLocale& locale) {
    return FormatMeasuredValue(reading.value, reading.decimals, locale) + QLatin1Char(' ') + unit;
}

std::optional<std::array<std::uint8_t, 4>> PresetBytes(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    const std::optional<std::int32_t> value = ParseIntText(std::string_view(bytes.constData(), bytes.size()));
    if (!value) return std::nullopt;
    return EncodeUInt32(static_cast<std::uint32_t>(*value));
}

QString CounterText(std::uint32_t value) { return QString::number(value); }

QString BitText(std::uint8_t byte, int bit) {
    return ((byte >> bit) & 1) != 0 ? QStringLiteral("1") : QStringLiteral("0");
}

QString StatusBitToolTip(int byte, int bit) {
    if (byte != 0 || bit < 0 || bit >= static_cast<int>(kStatusByte0Meanings.size())) return {};
    const auto& [meaning, cleared] = kStatusByte0Meanings[static_cast<std::size_t>(bit)];
    if (!meaning) return {};
    return QString::fromUtf8(meaning) + u'\n' + QString::fromUtf8(cleared);
}

QString StatusBitCaption(int byte, int bit) {
    if (byte != 0 || bit < 0 || bit >= static_cast<int>(kStatusByte0Names.size())) return QStringLiteral("---");
    return QString::fromLatin1(kStatusByte0Names[static_cast<std::size_t>(bit)]);
}

}  // namespace rq36
