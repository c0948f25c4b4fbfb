#include "xls/worksheet_cells.h"

#include <gtest/gtest.h>

#include <utility>
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

// Every record kind adds its cells, in the order of the records; a STRING
// record and records after the sheet's EOF add none.
TEST(ReadWorksheet, CellsOfTheSheetInRecordOrder) {
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
  std::vector<std::pair<std::uint16_t, std::uint32_t>> places;
  for (const CellData& cell : sheet.cells) places.emplace_back(cell.row, cell.column);
  EXPECT_EQ(places, (std::vector<std::pair<std::uint16_t, std::uint32_t>>{
                        {0, 0}, {0, 1}, {0, 2}, {1, 0}, {1, 1}, {1, 2}, {1, 3}, {2, 0}, {2, 1},
                        {2, 2}, {2, 3}, {3, 0}}));
}

}  // namespace
}  // namespace tabulox
