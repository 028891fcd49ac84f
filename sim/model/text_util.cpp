#include "text_util.h"

#include <charconv>

namespace rq36sim {

std::string_view Trim(std::string_view s) {
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!s.empty() && blank(s.front())) s.remove_prefix(1);
    while (!s.empty() && blank(s.back())) s.remove_suffix(1);
    return s;
}

std::vector<std::string_view> SplitList(std::string_view s, char sep) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (start <= s.size()) {
        const auto pos = s.find(sep, start);
        const auto end = pos == std::string_view::npos ? s.size() : pos;
        out.push_back(s.substr(start, end - start));
        if (pos == std::string_view::npos) break;
        start = pos + 1;
    }
    return out;
}

std::optional<std::int64_t> ParseInt(std::string_view s) {
    s = Trim(s);
    bool negative = false;
    if (!s.empty() && s.front() == '-') {
        negative = true;
        s.remove_prefix(1);
    }
    int base = 10;
    if (s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    }
    // The conversion below takes a sign of its own: a second '-' ("--5",
    // "0x-5") must not reach it.
    if (s.empty() || s.front() == '-') return std::nullopt;
    std::int64_t v = 0;
    const auto [ptr, ec] = std::from_chars(s.data(), s.data() + s.size(), v, base);
    if (ec != std::errc() || ptr != s.data() + s.size()) return std::nullopt;
    return negative ? -v : v;
}

std::string ToLower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

}  // namespace rq36sim
