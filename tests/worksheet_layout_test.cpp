#include "worksheet_layout.h"

#include <gtest/gtest.h>

#include <string>

#include "extraction_error.h"
#include "worksheet_cells.h"

namespace tabulox {
namespace {

// One sheet "S" whose one row holds a blank cell at `column`.
TWorkBookData BlankAtColumn(std::uint32_t column) {
  TWorkBookData book;
  TWorkSheetData& sheet = book.worksheets.emplace_back();
  sheet.sheetData.boundSheet.name.charCount = 1;
  sheet.sheetData.boundSheet.name.chars = {'S'};
  TCellData cell;
  cell.column = column;
  AddCell(sheet, cell);
  return book;
}

TEST(LayOutWorkbookText, TextUpToTheLimitIsWritten) {
  // "S" CR LF, 1000 TABs, CR LF, CR LF.
  const std::size_t size = 1 + 2 + 1000 + 2 + 2;
  std::string text;
  LayOutWorkbookText(BlankAtColumn(1000), text, size);
  EXPECT_EQ(text.size(), size);
}

TEST(LayOutWorkbookText, TextBeyondTheLimitIsRefused) {
  const std::size_t size = 1 + 2 + 1000 + 2 + 2;
  std::string text;
  EXPECT_THROW(LayOutWorkbookText(BlankAtColumn(1000), text, size - 1), ExtractionError);
  EXPECT_THROW(LayOutWorkbookText(BlankAtColumn(1000), text, 500), ExtractionError);
}

TEST(LayOutWorkbookText, FormulaTextsAndSharedStrings) {
  TWorkBookData book;
  book.sharedStrings.pendingText() = "shared\ttab";
  book.sharedStrings.AddString();
  TWorkSheetData& sheet = book.worksheets.emplace_back();
  sheet.formulaTexts = "xxformula";
  TCellData text;
  text.kind = cellFormulaText;
  text.text = TTextSpan{2, 7};
  AddCell(sheet, text);
  TCellData shared;
  shared.kind = cellSharedString;
  shared.column = 1;
  shared.stringIndex = 0;
  AddCell(sheet, shared);
  std::string out = "kept ";
  LayOutWorkbookText(book, out);
  EXPECT_EQ(out, "kept \r\nformula\tshared\ttab\r\n\r\n");
}

}  // namespace
}  // namespace tabulox
