#include "worksheet_layout.h"

#include <algorithm>

#include "extraction_error.h"
#include "general_format.h"
#include "style_table.h"
#include "xls_globals.h"

namespace tabulox {
namespace {

constexpr char kLineEnd[] = "\r\n";
constexpr std::size_t kLineEndSize = 2;
// A generous guess at the text of a cell, TAB included, for the one
// reservation: a larger guess only reserves address space (pages never written
// are not resident), while a short one makes the text grow by copying, with
// the old and the new buffer alive at once.
constexpr std::size_t kTypicalCellText = 16;

std::size_t EstimateTextSize(const TWorkSheetData& sheet) {
  return sheet.sheetData.boundSheet.name.chars.size() + 2 * kLineEndSize +
         sheet.rows.size() * kLineEndSize + sheet.cells.size() * kTypicalCellText;
}

void AppendCellText(const TWorkBookData& book, const TWorkSheetData& sheet, const TCellData& cell,
                    std::string& text) {
  switch (cell.kind) {
    case cellBlank:
      break;
    case cellSharedString:
      if (cell.stringIndex < book.sharedStrings.size())
        text += book.sharedStrings[cell.stringIndex];
      break;
    case cellNumber:
      RenderNumber(book.styles, cell.xfIndex, cell.value, text);
      break;
    case cellFormulaResult:
      AppendGeneral(cell.value, text);
      break;
    case cellFormulaText:
      text.append(sheet.formulaTexts, cell.text.offset, cell.text.length);
      break;
  }
}

void CheckSize(const std::string& text, std::size_t maxBytes) {
  if (text.size() > maxBytes) throw ExtractionError("workbook text too large");
}

void LayOutRow(const TWorkBookData& book, const TWorkSheetData& sheet, const TRowData& row,
               std::string& text, std::size_t maxBytes) {
  std::uint32_t position = 0;
  for (std::uint32_t i = row.firstCell; i != kNoCell; i = sheet.cells[i].next) {
    const TCellData& cell = sheet.cells[i];
    if (position < cell.column) {
      if (cell.column - position == 1)
        text.push_back('\t');
      else
        text.append(cell.column - position, '\t');
      position = cell.column;
    }
    AppendCellText(book, sheet, cell, text);
    CheckSize(text, maxBytes);
  }
  text.append(kLineEnd, kLineEndSize);
}

}  // namespace

void LayOutWorksheetText(const TWorkBookData& book, const TWorkSheetData& sheet, std::string& text,
                         std::size_t maxBytes) {
  if (text.size() < maxBytes)
    text.reserve(text.size() + std::min(EstimateTextSize(sheet), maxBytes - text.size()));
  text += SheetNameText(sheet.sheetData.boundSheet.name);
  text.append(kLineEnd, kLineEndSize);
  for (const TRowData& row : sheet.rows) LayOutRow(book, sheet, row, text, maxBytes);
  text.append(kLineEnd, kLineEndSize);
  CheckSize(text, maxBytes);
}

void LayOutWorkbookText(const TWorkBookData& book, std::string& text, std::size_t maxBytes) {
  for (const TWorkSheetData& sheet : book.worksheets) LayOutWorksheetText(book, sheet, text, maxBytes);
}

}  // namespace tabulox
