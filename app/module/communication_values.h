// The module's communication settings as the address and speed dialog shows
// them: the typed module address and the texts of its lists.
#pragma once

#include <cstdint>
#include <optional>

#include <QString>
#include <QStringList>

namespace rq36 {

inline constexpr char kAddressRangeText[] = "Adresa modulu musí být v rozsahu 0-255.";

// The module address typed in the dialog: an integer 0..255, or nothing.
std::optional<std::uint8_t> ParseConfigAddress(const QString& text);

// List texts: protocols (index = protocol code), speeds (index = speed code
// - 2), parities (index = parity code).
QStringList ProtocolListTexts();
QStringList ModuleSpeedListTexts();

}  // namespace rq36
