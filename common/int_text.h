// Integer text as the user types it (module address, port numbers, UDP port
// and timeout, counter presets) and as the settings file stores it.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace rq36 {

// Reads a signed 32-bit integer:
//   - leading blanks (spaces, tabs) are skipped;
//   - then either an optional '+' or '-' and decimal digits, in the range
//     -2147483648..2147483647,
//   - or hexadecimal digits after a leading "$", "x", "X", "0x" or "0X", no
//     sign, one to eight digits, the 32-bit pattern taken unchanged
//     ("$FFFFFFFF" is -1);
//   - nothing may follow the digits.
// Anything else (empty text, a lone sign or prefix, overflow, trailing text)
// gives no value.
std::optional<std::int32_t> ParseIntText(std::string_view text);

}  // namespace rq36
