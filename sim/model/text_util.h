// Small text helpers for the configuration and state files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace rq36sim {

std::string_view Trim(std::string_view s);
std::vector<std::string_view> SplitList(std::string_view s, char sep);
// Decimal, or hexadecimal after "0x"; an optional leading '-' (one only).
// Nothing else may surround the digits but blanks; a value outside the
// 64-bit range is no number.
std::optional<std::int64_t> ParseInt(std::string_view s);
std::string ToLower(std::string_view s);

}  // namespace rq36sim
