// The renderers of the sections of a number-format code, one file each
// (shown_number.cpp, shown_fraction.cpp, shown_date_time.cpp,
// shown_text.cpp). Each appends the magnitude of a value; the caller chooses the
// section and writes the minus sign.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "numfmt/date_time_pattern.h"
#include "numfmt/format_section.h"

namespace tabulox {

// What a renderer showed: digits that are all zero (no minus sign goes before
// them), something else, or nothing because the value lies outside what the
// section can show (dates before 1900 or after 9999).
enum class ShownValue : std::uint8_t { kZero, kNonZero, kOutOfRange };

// kNumber and kScientific sections.
ShownValue AppendNumberSection(const FormatSection& section, double magnitude, std::string& out);
// kNumber sections marked plain, straight from the magnitude × 10^places
// rounded to a whole number N. Returns false, writing nothing, where N could
// differ from the rounding of the shown digits (a fraction near one half),
// where N is 0 or 10^12 or more. What it writes is what AppendNumberByDigits
// writes.
bool AppendPlainNumber(const FormatSection& section, double magnitude, std::string& out);
// kNumber and kScientific sections from the digits of the value.
ShownValue AppendNumberByDigits(const FormatSection& section, double magnitude, std::string& out);
// kFraction sections.
ShownValue AppendFractionSection(const FormatSection& section, double magnitude, std::string& out);
// kDateTime sections: the serial of the workbook's date system.
ShownValue AppendDateTimeSection(const FormatSection& section, double serial, DateSystem system,
                                 std::string& out);
// kGeneral and kLiteral sections: the literal text, and the General form of the
// magnitude in place of "General".
ShownValue AppendGeneralSection(const FormatSection& section, double magnitude, std::string& out);
// A text section with the text of a cell in place of "@".
void AppendTextSection(const FormatSection& section, std::string_view text, std::string& out);

}  // namespace tabulox
