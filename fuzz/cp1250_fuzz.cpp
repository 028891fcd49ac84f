// Windows-1250 both ways: decoding gives one valid UTF-8 character per byte
// and encodes back to the same bytes (the five undefined bytes excepted,
// which become the replacement byte); encoding any bytes, broken UTF-8
// included, gives at most one byte per input byte and is stable under a
// second round.
#include <string>
#include <string_view>

#include "cp1250.h"
#include "fuzz_check.h"

namespace {

// Number of UTF-8 characters, or -1 when the text is not valid UTF-8.
long Utf8Length(std::string_view s) {
    long count = 0;
    for (std::size_t i = 0; i < s.size(); ++count) {
        const auto lead = static_cast<unsigned char>(s[i]);
        const std::size_t n = lead < 0x80           ? 1
                              : (lead >> 5) == 0x6  ? 2
                              : (lead >> 4) == 0xE  ? 3
                              : (lead >> 3) == 0x1E ? 4
                                                    : 0;
        if (n == 0 || i + n > s.size()) return -1;
        char32_t cp = n == 1 ? lead : lead & (0x7F >> n);
        for (std::size_t k = 1; k < n; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) return -1;
            cp = cp << 6 | (c & 0x3F);
        }
        const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return -1;
        i += n;
    }
    return count;
}

std::string WithUndefinedReplaced(std::string bytes) {
    for (char& c : bytes)
        if (rq36::Cp1250ToUnicode(static_cast<std::uint8_t>(c)) == U'\uFFFD') c = rq36::kCp1250Unmappable;
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    const std::string text = rq36::Cp1250ToUtf8(bytes);
    FUZZ_CHECK(Utf8Length(text) == static_cast<long>(size));
    FUZZ_CHECK(rq36::Utf8ToCp1250(text) == WithUndefinedReplaced(std::string(bytes)));

    const std::string encoded = rq36::Utf8ToCp1250(bytes);
    FUZZ_CHECK(encoded.size() <= size);
    FUZZ_CHECK(rq36::Utf8ToCp1250(rq36::Cp1250ToUtf8(encoded)) == WithUndefinedReplaced(encoded));
    return 0;
}
