#include "worksheet_cells.h"

#include <gtest/gtest.h>

#include <vector>

#include "support/biff_writer.h"

namespace tabulox {
namespace {

struct RKCase {
  std::uint32_t rk;
  double value;
};

class DecodeRKTest : public ::testing::TestWithParam<RKCase> {};

TEST_P(DecodeRKTest, Value) { EXPECT_DOUBLE_EQ(DecodeRK(GetParam().rk), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(Examples, DecodeRKTest,
                         ::testing::Values(RKCase{0x00000192, 100.0},  // integer
                                           RKCase{0x00000193, 1.0},    // integer / 100
                                           RKCase{0x3FF00000, 1.0},    // double
                                           RKCase{0x3FF00001, 0.01},   // double / 100
                                           RKCase{0xFFFFFFFE, -1.0},   // negative integer
                                           RKCase{0xFFFFFE73, -1.0},   // -100 / 100
                                           RKCase{0xC0240000, -10.0},  // negative double
                                           RKCase{0x7FFFFFFE, 536870911.0},
                                           RKCase{0x80000002, -536870912.0},
                                           RKCase{0x00000000, 0.0}));

std::vector<std::int32_t> RowNumbers(const WorksheetData& sheet) {
  std::vector<std::int32_t> out;
  for (const RowData& row : sheet.rows) out.push_back(row.rowNumber);
  return out;
}

TEST(FindOrAddRow, AscendingRowsOccurOnce) {
  WorksheetData sheet;
  for (std::int32_t r : {0, 0, 1, 5, 5, 7}) FindOrAddRow(sheet, r);
  EXPECT_EQ(RowNumbers(sheet), (std::vector<std::int32_t>{0, 1, 5, 7}));
}

TEST(FindOrAddRow, RowBeforeTheLastIsAppendedNotInserted) {
  WorksheetData sheet;
  for (std::int32_t r : {2, 4, 3, 1}) FindOrAddRow(sheet, r);
  EXPECT_EQ(RowNumbers(sheet), (std::vector<std::int32_t>{2, 4, 3, 1}));
}

TEST(FindOrAddRow, UnsortedListGetsSecondRecordWhenSearchMissesIt) {
  // List [5, 9, 3]: the search for 3 looks at 9 (middle), then at 5, and
  // never reaches the 3 at the end, so 3 gets a second record.
  WorksheetData sheet;
  for (std::int32_t r : {5, 9, 3}) FindOrAddRow(sheet, r);
  RowData& again = FindOrAddRow(sheet, 3);
  EXPECT_EQ(&again, &sheet.rows.back());
  EXPECT_EQ(RowNumbers(sheet), (std::vector<std::int32_t>{5, 9, 3, 3}));
  // The search for 5 finds the first record (middle of [5, 9, 3, 3] is 9).
  EXPECT_EQ(&FindOrAddRow(sheet, 5), &sheet.rows[0]);
}

TEST(FindOrAddRow, SearchFindsTheMiddleDuplicateNotTheLast) {
  // [5, 3, 5]: the middle is 3, below 5, so the search goes to index 2.
  WorksheetData sheet;
  for (std::int32_t r : {5, 3}) FindOrAddRow(sheet, r);
  sheet.rows.push_back(RowData{5});
  sheet.rows.push_back(RowData{8});
  sheet.rows.push_back(RowData{6});
  // [5, 3, 5, 8, 6]: middle 5 at index 2 is found first.
  EXPECT_EQ(&FindOrAddRow(sheet, 5), &sheet.rows[2]);
  // 6: middle 5 < 6, then [8, 6] middle 8 > 6, then nothing left: appended.
  FindOrAddRow(sheet, 6);
  EXPECT_EQ(sheet.rows.size(), 6u);
}

TEST(AddCell, CellsOfARowKeepStoredOrder) {
  WorksheetData sheet;
  for (std::uint16_t column : {3, 1, 2}) {
    CellData cell;
    cell.row = 4;
    cell.column = column;
    AddCell(sheet, cell);
  }
  CellData other;
  other.row = 9;
  AddCell(sheet, other);
  ASSERT_EQ(sheet.rows.size(), 2u);
  std::vector<std::uint32_t> columns;
  for (std::uint32_t i = sheet.rows[0].firstCell; i != kNoCell; i = sheet.cells[i].next)
    columns.push_back(sheet.cells[i].column);
  EXPECT_EQ(columns, (std::vector<std::uint32_t>{3, 1, 2}));
}

// The cell list is sized once from the record headers ahead: exactly the
// cells the records add, whatever the record kinds, and nothing from records
// after the sheet's EOF.
TEST(ReadWorksheet, CellListIsSizedOnceForTheCellsOfTheSheet) {
  testing::BiffWriter w;
  w.Bof(testing::kBofWorksheet);
  w.LabelSst(0, 0, 15, 0);
  w.Number(0, 1, 15, 2.5);
  w.RK(0, 2, 15, 0x00000192);
  w.MulRK(1, 0, {{15, 0x00000192}, {15, 0x3FF00000}, {15, 0x00000193}});
  w.Blank(1, 3, 15);
  w.MulBlank(2, 0, {15, 15, 15, 15});
  w.FormulaNumber(3, 0, 7);
  w.String(u"not a cell");
  w.Eof();
  w.Number(9, 9, 15, 1);  // past the EOF: another substream
  ByteReader stream(w.bytes());
  WorksheetData sheet;
  ReadWorksheet(stream, sheet);
  EXPECT_EQ(sheet.cells.size(), 12u);
  EXPECT_EQ(sheet.cells.capacity(), 12u);
}

}  // namespace
}  // namespace tabulox
