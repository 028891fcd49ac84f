// The integer text of the settings file and the dialogs, against a model
// written differently: the text is classified first, the range is checked
// on the digit string, and only then is the number formed.
#include <optional>
#include <string>
#include <string_view>

#include "fuzz_check.h"
#include "int_text.h"

namespace {

bool IsDecimal(char c) { return c >= '0' && c <= '9'; }
bool IsHex(char c) { return IsDecimal(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

std::optional<std::int32_t> Model(std::string_view text) {
    const std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) return std::nullopt;
    text.remove_prefix(start);
    std::size_t prefix = 0;
    if (text.substr(0, 2) == "0x" || text.substr(0, 2) == "0X")
        prefix = 2;
    else if (text[0] == '$' || text[0] == 'x' || text[0] == 'X')
        prefix = 1;
    if (prefix != 0) {
        const std::string_view hex = text.substr(prefix);
        if (hex.empty() || hex.size() > 8) return std::nullopt;
        for (char c : hex)
            if (!IsHex(c)) return std::nullopt;
        return static_cast<std::int32_t>(std::stoul(std::string(hex), nullptr, 16));
    }
    const bool negative = text[0] == '-';
    if (text[0] == '-' || text[0] == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    for (char c : text)
        if (!IsDecimal(c)) return std::nullopt;
    const std::size_t nonZero = text.find_first_not_of('0');
    const std::string_view digits = nonZero == std::string_view::npos ? "0" : text.substr(nonZero);
    const std::string_view limit = negative ? "2147483648" : "2147483647";
    if (digits.size() > limit.size() || (digits.size() == limit.size() && digits > limit)) return std::nullopt;
    const long long magnitude = std::stoll(std::string(digits));
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    FUZZ_CHECK(rq36::ParseIntText(text) == Model(text));
    return 0;
}
