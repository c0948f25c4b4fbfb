// Cell references of worksheet parts (ECMA-376 Part 1 §18.3.1.4, ST_CellRef)
// and the decimal numbers they and the other cell attributes hold.
#pragma once

#include <cstdint>
#include <string_view>

namespace tabulox {

struct CellRef {
  std::int32_t row = 0;     // from 1
  std::int32_t column = 0;  // A is 1
};

// Splits the reference before its first decimal digit into letters and digits.
// When either part is empty, or the letters are not all A to Z (either case)
// or name a column beyond the 32-bit range, the reference is row 0, column 0.
// Otherwise the column is the letters in the spreadsheet column scheme (A 1,
// Z 26, AA 27, XFD 16384) and the row the digits read by ReadDecimal, which
// raises ExtractionError when they are not a number ("A1B").
CellRef ParseCellRef(std::string_view ref);

// ParseCellRef(ref).column, raising as it does. `knownRow` is a row number as
// written that ReadDecimal has read: row digits equal to it are known to be a
// number and not read again.
std::int32_t ParseCellColumn(std::string_view ref, std::string_view knownRow);

// Reads an optionally signed decimal integer that fills the whole text and
// fits 32 bits; false otherwise.
bool TryReadDecimal(std::string_view text, std::int32_t& value);

// TryReadDecimal, raising ExtractionError when the text is not such a number.
std::int32_t ReadDecimal(std::string_view text);

}  // namespace tabulox
