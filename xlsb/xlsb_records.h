// The record types of binary workbook parts this reader reads ([MS-XLSB]
// 2.3) and the string structure they share.
#pragma once

#include <cstdint>
#include <string>

#include "core/byte_reader.h"

namespace tabulox::xlsb {

// Worksheet part: rows, columns and cells.
inline constexpr std::uint32_t kEndSheetData = 146;
inline constexpr std::uint32_t kRowHdr = 0;
inline constexpr std::uint32_t kCellBlank = 1;
inline constexpr std::uint32_t kCellRk = 2;
inline constexpr std::uint32_t kCellError = 3;
inline constexpr std::uint32_t kCellBool = 4;
inline constexpr std::uint32_t kCellReal = 5;
inline constexpr std::uint32_t kCellSt = 6;
inline constexpr std::uint32_t kCellIsst = 7;
inline constexpr std::uint32_t kFmlaString = 8;
inline constexpr std::uint32_t kFmlaNum = 9;
inline constexpr std::uint32_t kFmlaBool = 10;
inline constexpr std::uint32_t kFmlaError = 11;
inline constexpr std::uint32_t kShortBlank = 12;
inline constexpr std::uint32_t kShortRk = 13;
inline constexpr std::uint32_t kShortError = 14;
inline constexpr std::uint32_t kShortBool = 15;
inline constexpr std::uint32_t kShortReal = 16;
inline constexpr std::uint32_t kShortSt = 17;
inline constexpr std::uint32_t kShortIsst = 18;
inline constexpr std::uint32_t kCellRString = 62;
inline constexpr std::uint32_t kColInfo = 60;

// Shared-strings part.
inline constexpr std::uint32_t kSstItem = 19;

// Styles part.
inline constexpr std::uint32_t kFmt = 44;
inline constexpr std::uint32_t kXf = 47;
inline constexpr std::uint32_t kBeginCellXfs = 617;
inline constexpr std::uint32_t kEndCellXfs = 618;

// Workbook part.
inline constexpr std::uint32_t kWbProp = 153;
inline constexpr std::uint32_t kBundleSh = 156;

// Appends the characters of an XLWideString ([MS-XLSB] 2.5.166: a 32-bit
// count of UTF-16 code units, then the units) read from `in` to `text` as
// engine text. A count of 0xFFFFFFFF, the null string of an
// XLNullableWideString, appends nothing. Raises ExtractionError when the
// units run past the end.
void AppendWideString(ByteReader& in, std::string& text);

}  // namespace tabulox::xlsb
