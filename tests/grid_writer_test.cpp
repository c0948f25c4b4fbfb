// The as-shown grid: rows and columns in place, quoting, headings, hidden
// rows and columns, and which sheets are written.
#include <gtest/gtest.h>

#include <string>

#include "core/extraction_error.h"
#include "grid/grid_writer.h"
#include "grid/hidden_lines.h"
#include "grid/sheet_choice.h"

namespace tabulox {
namespace {

struct Grid {
  explicit Grid(GridLayout layout = {}, std::size_t maxBytes = 1 << 20)
      : writer(text, layout, maxBytes) {}
  void Begin(std::string_view name = "Sheet") { writer.BeginSheet(name, rows, columns); }
  std::string text;
  HiddenLines rows;
  HiddenLines columns;
  GridWriter writer;
};

TEST(GridWriterTest, RowsAndColumnsStandInPlaceAndEveryLineHasTheWidestRowsFields) {
  Grid grid;
  grid.Begin();
  grid.writer.Cell(1, 1, "b2");
  grid.writer.Cell(3, 0, "a4");
  grid.writer.Cell(3, 3, "d4");
  grid.writer.Cell(3, 4, "");  // shows nothing: no field of its own
  EXPECT_TRUE(grid.writer.EndSheet());
  EXPECT_EQ(grid.text, "\t\t\t\r\n\tb2\t\t\r\n\t\t\t\r\na4\t\t\td4\r\n");
}

// Padding that makes a sheet many times the text of its cells: every line
// keeps its fields, after a sheet written before it, and the limit holds.
TEST(GridWriterTest, PaddingFarBeyondTheCellsKeepsEveryLine) {
  constexpr std::uint32_t kRows = 3000;
  constexpr std::uint32_t kWidest = 1000;
  Grid grid({'\t', true, false}, 8u << 20);
  grid.Begin("one");
  grid.writer.Cell(0, 0, "z");
  EXPECT_TRUE(grid.writer.EndSheet());
  const std::string first = grid.text;
  EXPECT_EQ(first, "one\r\nz\r\n\r\n");
  grid.Begin("two");
  grid.writer.Cell(0, kWidest - 1, "x");
  for (std::uint32_t row = 2; row < kRows; ++row) grid.writer.Cell(row, 0, "y");
  EXPECT_TRUE(grid.writer.EndSheet());
  const std::string tabs(kWidest - 1, '\t');
  std::string expected = first + "two\r\n" + tabs + "x\r\n" + tabs + "\r\n";
  for (std::uint32_t row = 2; row < kRows; ++row) expected += "y" + tabs + "\r\n";
  expected += "\r\n";
  EXPECT_EQ(grid.text, expected);

  Grid small({'\t', false, false}, 1u << 20);
  small.Begin();
  small.writer.Cell(0, kWidest - 1, "x");
  for (std::uint32_t row = 1; row < kRows; ++row) small.writer.Cell(row, 0, "y");
  EXPECT_THROW(small.writer.EndSheet(), ExtractionError);
}

TEST(GridWriterTest, RowsAfterTheLastTextAndCellsWithoutTextWriteNothing) {
  Grid grid;
  grid.Begin();
  grid.writer.Cell(0, 0, "x");
  grid.writer.Cell(5, 2, "");
  EXPECT_TRUE(grid.writer.EndSheet());
  EXPECT_EQ(grid.text, "x\r\n");
}

TEST(GridWriterTest, FieldsHoldingTheSeparatorQuotesOrBreaksAreQuoted) {
  Grid grid(GridLayout{',', false, false});
  grid.Begin();
  grid.writer.Cell(0, 0, "a,b");
  grid.writer.Cell(0, 1, "say \"hi\"");
  grid.writer.Cell(0, 2, "two\nlines");
  grid.writer.Cell(0, 3, "tab\tstays");
  grid.writer.Cell(0, 4, "cr\rcr");
  grid.writer.EndSheet();
  EXPECT_EQ(grid.text, "\"a,b\",\"say \"\"hi\"\"\",\"two\nlines\",tab\tstays,\"cr\rcr\"\r\n");
}

TEST(GridWriterTest, HeadingsOpenEachSheetAndAnEmptyLineEndsIt) {
  Grid grid(GridLayout{'\t', true, false});
  grid.Begin("First");
  grid.writer.Cell(0, 0, "1");
  grid.writer.EndSheet();
  grid.Begin("Tab\there");
  EXPECT_FALSE(grid.writer.EndSheet());
  EXPECT_EQ(grid.text, "First\r\n1\r\n\r\n\"Tab\there\"\r\n\r\n");
  EXPECT_EQ(grid.writer.SheetsWithText(), 1);
}

TEST(GridWriterTest, EmptySheetsAreTakenBackWhenTheLayoutDropsThem) {
  Grid grid(GridLayout{',', false, true});
  grid.Begin("Empty");
  grid.writer.Cell(2, 2, "");
  EXPECT_FALSE(grid.writer.EndSheet());
  grid.Begin("Full");
  grid.writer.Cell(0, 1, "v");
  EXPECT_TRUE(grid.writer.EndSheet());
  EXPECT_EQ(grid.text, ",v\r\n");
}

TEST(GridWriterTest, HiddenRowsAndColumnsAreLeftOutAndTheGridClosesOverThem) {
  Grid grid;
  grid.columns.Hide(1, 2);
  grid.Begin();
  grid.writer.Cell(0, 0, "a1");
  grid.writer.Cell(0, 1, "b1");
  grid.writer.Cell(0, 3, "d1");
  grid.rows.Hide(1, 1);  // hidden while the sheet is read, as row records come
  grid.writer.Cell(1, 0, "a2");
  grid.writer.Cell(2, 3, "d3");
  grid.writer.EndSheet();
  EXPECT_EQ(grid.text, "a1\td1\r\n\td3\r\n");
}

TEST(GridWriterTest, CellsOutOfOrderAreDroppedNotMisplaced) {
  Grid grid;
  grid.Begin();
  grid.writer.Cell(1, 2, "c2");
  grid.writer.Cell(1, 1, "b2");
  grid.writer.Cell(0, 0, "a1");
  grid.writer.EndSheet();
  EXPECT_EQ(grid.text, "\t\t\r\n\t\tc2\r\n");
}

TEST(GridWriterTest, AFarCellBeyondTheLimitRaisesInsteadOfGrowing) {
  Grid grid(GridLayout{}, 1000);
  grid.Begin();
  EXPECT_THROW(grid.writer.Cell(100000, 0, "x"), ExtractionError);
  Grid wide(GridLayout{}, 1000);
  wide.Begin();
  wide.writer.Cell(0, 900, "x");
  wide.writer.Cell(1, 0, "y");
  wide.writer.Cell(2, 0, "y");
  EXPECT_THROW(wide.writer.EndSheet(), ExtractionError);
}

TEST(HiddenLinesTest, RangesInAnyOrderMergeAndCountTheLinesBefore) {
  HiddenLines lines;
  lines.Hide(10, 12);
  lines.Hide(2, 3);
  lines.Hide(3, 5);
  lines.Hide(20, 19);  // empty
  EXPECT_FALSE(lines.IsHidden(1));
  EXPECT_TRUE(lines.IsHidden(2));
  EXPECT_TRUE(lines.IsHidden(5));
  EXPECT_FALSE(lines.IsHidden(6));
  EXPECT_TRUE(lines.IsHidden(12));
  EXPECT_EQ(lines.VisibleIndex(1), 1u);
  EXPECT_EQ(lines.VisibleIndex(6), 2u);
  EXPECT_EQ(lines.VisibleIndex(13), 6u);
  lines.Hide(13, 13);
  EXPECT_EQ(lines.VisibleIndex(14), 6u);
  EXPECT_EQ(lines.VisibleIndex(0xFFFFFFFF), 0xFFFFFFFF - 8);
}

TEST(SheetChoiceTest, ChoicesByNumberAndNameInTheirOrderEachOnce) {
  const std::vector<SheetInfo> sheets{{"Sales", false}, {"Hidden", true}, {"Notes", false}};
  std::vector<std::size_t> chosen;
  ConversionOptions options;
  options.sheets = {{"", 3}, {"sales", 0}, {"Notes", 0}, {"Hidden", 0}};
  EXPECT_EQ(ChooseSheets(sheets, options, chosen), 0);
  EXPECT_EQ(chosen, (std::vector<std::size_t>{2, 0, 1}));

  options.skipHiddenSheets = true;
  options.sheets.clear();
  EXPECT_EQ(ChooseSheets(sheets, options, chosen), 0);
  EXPECT_EQ(chosen, (std::vector<std::size_t>{0, 2}));

  for (const SheetChoice& missing : {SheetChoice{"", 4}, SheetChoice{"Sale", 0}}) {
    options.sheets = {{"", 1}, missing};
    EXPECT_EQ(ChooseSheets(sheets, options, chosen), kSheetNotFound);
    EXPECT_TRUE(chosen.empty());
  }
}

TEST(SheetChoiceTest, CsvHasNoHeadingsAndRefusesSeveralSheetsWithText) {
  ConversionOptions options;
  options.layout = Layout::kAsShown;
  EXPECT_TRUE(GridLayoutFor(options, 2).headings);
  EXPECT_FALSE(GridLayoutFor(options, 1).headings);
  EXPECT_EQ(GridLayoutFor(options, 2).separator, '\t');
  options.layout = Layout::kCsv;
  EXPECT_FALSE(GridLayoutFor(options, 2).headings);
  EXPECT_EQ(GridLayoutFor(options, 2).separator, ',');
  options.separator = ';';
  EXPECT_EQ(GridLayoutFor(options, 2).separator, ';');
  EXPECT_EQ(ShownOutcome(options, 1), 0);
  EXPECT_EQ(ShownOutcome(options, 2), kSeveralSheets);
}

}  // namespace
}  // namespace tabulox
