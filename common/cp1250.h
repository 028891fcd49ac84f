// Windows-1250 (Central European) text: the code page of every text the
// program stores in its settings file or exchanges with an interface library.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rq36 {

// The byte that a character not in Windows-1250 (or broken UTF-8) becomes.
inline constexpr char kCp1250Unmappable = '?';

// Unicode code point of a Windows-1250 byte; the five bytes the code page
// leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) give U+FFFD.
char32_t Cp1250ToUnicode(std::uint8_t byte);

// Windows-1250 byte of a code point, or -1 when the code page lacks it.
int UnicodeToCp1250(char32_t cp);

// Whole texts: UTF-8 <-> Windows-1250 bytes.  Decoding never fails (undefined
// bytes become U+FFFD); encoding replaces what it cannot map, and every
// malformed UTF-8 sequence, with kCp1250Unmappable.
std::string Cp1250ToUtf8(std::string_view cp1250);
std::string Utf8ToCp1250(std::string_view utf8);

}  // namespace rq36
