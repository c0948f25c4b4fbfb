// The text of a workbook: for each worksheet its name line, then one line per
// row, the cells of a row separated by TAB characters so that each cell stands
// in its column, then an empty line. Lines end in CR LF.
#pragma once

#include <cstddef>
#include <string>

#include "workbook_data.h"

namespace tabulox {

// Engine text larger than this is not produced: the result code that carries
// the text length is a signed 32-bit count, and encoding may double the text.
// A few kilobytes of crafted records can ask for tens of thousands of TABs or
// a long shared string over and over, so the limit is reached by such files,
// never by a real worksheet.
inline constexpr std::size_t kMaxWorkbookTextBytes = std::size_t{1} << 30;

// Appends the text of one worksheet of `book` to `text`: its name line, its
// rows, an empty line. Raises ExtractionError when the text would grow beyond
// `maxBytes`, and passes on what number rendering raises.
void LayOutWorksheetText(const TWorkBookData& book, const TWorkSheetData& sheet, std::string& text,
                         std::size_t maxBytes = kMaxWorkbookTextBytes);

// The steps of LayOutWorksheetText, for a worksheet whose rows are laid out in
// parts: the name line; the rows of `sheet` on the calling thread; the empty
// line that ends a worksheet. The last two raise as LayOutWorksheetText does.
void AppendSheetNameLine(const TWorkSheetData& sheet, std::string& text);
void LayOutWorksheetRows(const TWorkBookData& book, const TWorkSheetData& sheet, std::string& text,
                         std::size_t maxBytes = kMaxWorkbookTextBytes);
void EndWorksheetText(std::string& text, std::size_t maxBytes = kMaxWorkbookTextBytes);
// One row of `sheet` (its cells chained in sheet.cells), for rows laid out as
// they are read.
void LayOutRowText(const TWorkBookData& book, const TWorkSheetData& sheet, const TRowData& row,
                   std::string& text, std::size_t maxBytes = kMaxWorkbookTextBytes);

// Appends the text of every worksheet of `book`, in list order, to `text`.
// Raises ExtractionError when the text would grow beyond `maxBytes`, and passes
// on what number rendering raises.
void LayOutWorkbookText(const TWorkBookData& book, std::string& text,
                        std::size_t maxBytes = kMaxWorkbookTextBytes);

}  // namespace tabulox
