// The first reading of a number-format code: splitting it into sections, and
// reading each section's bracketed items, quoted and escaped text, "_x" blanks
// and "*x" fills. What is left are the unquoted bytes, whose meaning depends on
// the kind of the section (format_section.cpp).
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "numfmt/format_section.h"

namespace tabulox {

// One unit of a section: literal text, an unquoted byte, or an elapsed-time
// field. Texts point into the section read.
struct CodeItem {
  enum class Type : std::uint8_t { kText, kChar, kElapsed };
  Type type = Type::kChar;
  char c = 0;     // kChar: the byte; kElapsed: the unit letter, lower case
  int count = 0;  // kElapsed: letters
  std::string_view text;
};

// "[$-F800]" and "[$-F400]": the section stands for the regional long date or
// long time.
enum class RegionalForm : std::uint8_t { kNone, kLongDate, kLongTime };

struct ScannedSection {
  std::vector<CodeItem> items;
  SectionCondition condition;  // the first condition of the section
  RegionalForm regional = RegionalForm::kNone;
  // A Japanese locale id ("[$-411]", any id whose low 16 bits are 0x0411):
  // "e" and "g" are the year and name of the Japanese era.
  bool japaneseEras = false;
};

// Reads one section. A quote or "[" without its closing partner and a
// backslash that ends the section are text; colours and other bracketed items
// write nothing. Linear in the section's length.
ScannedSection ScanSection(std::string_view section);

// Bytes of the UTF-8 character at `pos` (0 at the end of the text).
std::size_t CharacterLength(std::string_view text, std::size_t pos);

}  // namespace tabulox
