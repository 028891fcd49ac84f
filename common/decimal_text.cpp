#include "decimal_text.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

namespace rq36 {

std::string RoundedFixed(double value, int decimals) {
    decimals = std::max(decimals, 0);
    // The shortest fixed text of a double has at most 309 integer digits and
    // a few hundred decimals.
    std::array<char, 1100> buffer{};
    const auto written = std::isfinite(value) ? std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                                                              std::chars_format::fixed)
                                              : std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    std::string text(buffer.data(), written.ptr);
    if (!std::isfinite(value)) return text;

    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.erase(0, 1);
    const std::size_t dot = text.find('.');
    const std::string whole = text.substr(0, dot);
    std::string fraction = dot == std::string::npos ? std::string() : text.substr(dot + 1);
    const auto shown = static_cast<std::size_t>(decimals);
    const bool up = fraction.size() > shown && fraction[shown] >= '5';
    fraction.resize(shown, '0');

    std::string digits = whole + fraction;
    if (up) {
        std::size_t i = digits.size();
        while (i > 0 && digits[i - 1] == '9') digits[--i] = '0';
        if (i == 0) {
            digits.insert(digits.begin(), '1');
        } else {
            ++digits[i - 1];
        }
    }
    std::string out = digits.substr(0, digits.size() - shown);
    if (shown > 0) out += '.' + digits.substr(digits.size() - shown);
    if (negative && digits.find_first_not_of('0') != std::string::npos) out.insert(out.begin(), '-');
    return out;
}

}  // namespace rq36
