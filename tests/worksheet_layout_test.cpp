#include "xls/worksheet_layout.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "core/extraction_error.h"
#include "xls/style_table.h"
#include "xls/worksheet_cells.h"

namespace tabulox {
namespace {

// One sheet "S" whose one row holds a blank cell at `column`.
WorksheetData BlankAtColumn(std::uint32_t column) {
  WorksheetData sheet;
  sheet.name = "S";
  CellData cell;
  cell.column = column;
  sheet.cells.push_back(cell);
  return sheet;
}

TEST(LayOutWorksheetText, TextUpToTheLimitIsWritten) {
  // "S" CR LF, 1000 TABs, CR LF, CR LF.
  const std::size_t size = 1 + 2 + 1000 + 2 + 2;
  const WorkbookData book;
  const WorksheetData sheet = BlankAtColumn(1000);
  std::string text;
  LayOutWorksheetText(book, sheet, text, size);
  EXPECT_EQ(text.size(), size);
}

TEST(LayOutWorksheetText, TextBeyondTheLimitIsRefused) {
  const std::size_t size = 1 + 2 + 1000 + 2 + 2;
  const WorkbookData book;
  const WorksheetData sheet = BlankAtColumn(1000);
  std::string text;
  EXPECT_THROW(LayOutWorksheetText(book, sheet, text, size - 1), ExtractionError);
  EXPECT_THROW(LayOutWorksheetText(book, sheet, text, 500), ExtractionError);
}

TEST(LayOutWorksheetText, FormulaTextsAndSharedStrings) {
  WorkbookData book;
  book.sharedStrings.pendingText() = "shared\ttab";
  book.sharedStrings.AddString();
  WorksheetData sheet;
  sheet.cellTexts = "xxformula";
  CellData text;
  text.kind = CellKind::kText;
  text.text = TextSpan{2, 7};
  sheet.cells.push_back(text);
  CellData shared;
  shared.kind = CellKind::kSharedString;
  shared.column = 1;
  shared.stringIndex = 0;
  sheet.cells.push_back(shared);
  std::string out = "kept ";
  LayOutWorksheetText(book, sheet, out);
  EXPECT_EQ(out, "kept \r\nformula\tshared\ttab\r\n\r\n");
}

// A sheet named "Big" with the given rows of `cells` cells each: numbers,
// shared strings, formula results and blanks, at columns with random gaps.
WorksheetData BigSheet(std::uint16_t firstRow, std::uint16_t endRow, std::uint32_t cells) {
  WorksheetData sheet;
  sheet.name = "Big";
  std::mt19937 random(firstRow);
  for (std::uint16_t row = firstRow; row < endRow; ++row) {
    std::uint32_t column = 0;
    for (std::uint32_t i = 0; i < cells; ++i) {
      CellData cell;
      cell.row = row;
      cell.column = column;
      column += 1 + random() % 3;
      switch (random() % 4) {
        case 0:
          cell.kind = CellKind::kNumber;
          cell.value = static_cast<double>(random() % 100000) / 7;
          break;
        case 1:
          cell.kind = CellKind::kSharedString;
          cell.stringIndex = random() % 2;
          break;
        case 2:
          cell.kind = CellKind::kFormulaResult;
          cell.value = -static_cast<double>(random() % 1000);
          break;
        default:
          break;  // blank
      }
      sheet.cells.push_back(cell);
    }
  }
  return sheet;
}

TEST(LayOutWorksheetText, LargeSheetGivesTheTextOfItsPartsInRowOrder) {
  // Rows do not depend on each other: the whole must read as its two halves
  // laid out one after another.
  WorkbookData book;
  InitStyleData(book.styles);
  for (const char* shared : {"alpha", "beta\tgamma"}) {
    book.sharedStrings.pendingText() += shared;
    book.sharedStrings.AddString();
  }
  constexpr std::uint32_t kCellsPerRow = 25;
  constexpr std::uint16_t kRows = 2400;  // 60,000 cells
  std::string first;
  std::string second;
  LayOutWorksheetText(book, BigSheet(0, kRows / 2, kCellsPerRow), first);
  LayOutWorksheetText(book, BigSheet(kRows / 2, kRows, kCellsPerRow), second);
  const std::string nameLine = "Big\r\n";
  const std::string expected = first.substr(0, first.size() - 2) + second.substr(nameLine.size());

  WorksheetData whole = BigSheet(0, kRows / 2, kCellsPerRow);
  const WorksheetData rest = BigSheet(kRows / 2, kRows, kCellsPerRow);
  for (const CellData& cell : rest.cells) whole.cells.push_back(cell);
  std::string text = "kept ";
  LayOutWorksheetText(book, whole, text);
  EXPECT_EQ(text, "kept " + expected);

  // A limit is kept exactly, wherever in the rows it falls.
  const std::size_t size = 5 + expected.size();
  for (const std::size_t limit : {size, size - 1, size - 3, size - second.size(), std::size_t{9}}) {
    SCOPED_TRACE(limit);
    std::string limited = "kept ";
    if (limit >= size) {
      LayOutWorksheetText(book, whole, limited, limit);
      EXPECT_EQ(limited, text);
    } else {
      EXPECT_THROW(LayOutWorksheetText(book, whole, limited, limit), ExtractionError);
    }
  }
}

}  // namespace
}  // namespace tabulox
