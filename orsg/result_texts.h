// Texts of ORSG's result codes and their form at the library boundary.
#pragma once

#include <cstdint>
#include <string_view>

namespace orsg {

// The UTF-8 text of a result code; codes outside 0..16 get the text for an
// unknown code.
std::string_view ResultTextUtf8(uint32_t code);

// Writes the text of a code as Windows-1250 character codes, one per
// element: the text, then two zero elements (at most 101 elements; a text of
// more than 100 characters is cut to 100 and followed by one zero).
void WriteResultText(uint32_t code, int32_t* out);

}  // namespace orsg
