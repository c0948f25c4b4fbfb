// The number-pattern interpreter: renders a value through the rendering code of
// a number or percent format (sections, "0" and "#" digit placeholders,
// grouping, scientific form, quoted text). The code is read as bytes; only
// ASCII characters have a meaning, so multi-byte UTF-8 text passes through.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tabulox {

// Longest rendering code the interpreter accepts, in bytes. A longer code is a
// format error that ends the conversion.
inline constexpr std::size_t kMaxNumberPatternLength = 224;

// Appends the value rendered through `code` to `out`, using the separators of
// the regional settings in force. Infinities, NaN, magnitudes of 10^18 and more
// in fixed form, and codes whose first section is empty are written in General
// form. Raises ExtractionError("Format string too long") when the code is
// longer than kMaxNumberPatternLength bytes.
void FormatNumberPattern(std::string_view code, long double value, std::string& out);

}  // namespace tabulox
