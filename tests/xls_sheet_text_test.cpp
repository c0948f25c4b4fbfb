#include "xls/xls_sheet_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/extraction_error.h"
#include "support/biff_writer.h"
#include "support/whole_workbook.h"
#include "xls/worksheet_cells.h"
#include "xls/worksheet_layout.h"
#include "xls/xls_globals.h"
#include "xls/xls_workbook_text.h"

namespace tabulox {
namespace {

using testing::BiffWriter;

// Worksheets are laid out as their cells are read while these come in layout
// order, and from their whole cell list otherwise. Whatever the order of their
// records, the text must be that of the whole cell list: every sheet read by
// ReadWorksheetCells, then laid out.
std::string WholeListText(const BiffWriter& w) {
  const auto book = std::make_unique<WorkbookData>();
  InitStyleData(book->styles);
  ByteReader stream(w.bytes());
  std::vector<WorksheetData> sheets;
  EXPECT_GE(ReadWholeWorkbook(stream, *book, sheets), 0);
  std::string text;
  for (const WorksheetData& sheet : sheets) LayOutWorksheetText(*book, sheet, text);
  return text;
}

std::string SheetText(const BiffWriter& w) {
  std::string text;
  EXPECT_GE(ExtractWorkbookStreamText(w.bytes(), text), 0);
  return text;
}

// One worksheet with cells of every kind, written by `cells` for rows
// 0 .. kRows-1 in the order `rowAt` gives (the i-th row written is rowAt(i)).
constexpr int kRows = 6000;
constexpr std::size_t kCellsPerRow = 12;  // 72,000 cells

void WriteRow(BiffWriter& w, std::uint16_t row) {
  w.Number(row, 0, 0, row * 1.25);
  w.RK(row, 1, 0, (static_cast<std::uint32_t>(row) << 2) | 0x02);
  w.LabelSst(row, 2, 0, row % 3);
  w.MulRK(row, 3, {{0, 0x3FF00000u}, {0, (7u << 2) | 0x03}, {0, 0x40000000u}});
  w.Blank(row, 6, 0);
  w.MulBlank(row, 8, {0, 0});
  if (row % 7 == 0) {
    w.FormulaSpecial(row, 11, 0, 0);
    w.String(u"text of a formula");
  } else {
    w.FormulaNumber(row, 11, row / 8.0);
  }
  w.Label(row, 12, row % 2 ? u"label" : u"\u4E2D label");
  if (row % 5 == 0)
    w.RString(row, 13, u"rich", 2);
  else
    w.BoolErr(row, 13, row % 3 ? 1 : 7, row % 3 == 0);
}

// A chart drawn on the worksheet: an embedded substream whose cached values
// are NUMBER and LABEL records, on rows below every row of the worksheet's
// own.
void WriteChart(BiffWriter& w) {
  w.Bof(testing::kBofChart);
  for (std::uint16_t i = 0; i < 3000; ++i) {
    w.Number(static_cast<std::uint16_t>(10'000 + i), 1, 0, 2.956834);
    if (i % 100 == 0) w.Label(static_cast<std::uint16_t>(10'000 + i), 0, u"series");
  }
  w.Eof();
}

// The bytes of an RK record, header and payload.
void AppendRK(std::vector<std::uint8_t>& bytes, std::uint16_t row, std::uint16_t column) {
  const std::uint8_t rk[] = {0x7E, 0x02, 10, 0, std::uint8_t(row), std::uint8_t(row >> 8),
                             std::uint8_t(column), std::uint8_t(column >> 8), 0, 0, 0x06, 0, 0, 0};
  bytes.insert(bytes.end(), std::begin(rk), std::end(rk));
}

BiffWriter Workbook(int sheets, const std::function<void(BiffWriter&)>& body) {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  std::vector<std::size_t> handles;
  for (int i = 0; i < sheets; ++i) handles.push_back(w.BoundSheet(u"S" + std::u16string(1, u'1' + i)));
  w.Sst({u"a", u"b\tc", u"d"});
  w.Eof();
  for (const std::size_t handle : handles) {
    w.StartSheet(handle);
    body(w);
    w.Eof();
  }
  return w;
}

// The globals of a workbook read, and a cursor at its first worksheet's BOF.
struct FirstSheet {
  explicit FirstSheet(const BiffWriter& w) : book(std::make_unique<WorkbookData>()), stream(w.bytes()) {
    InitStyleData(book->styles);
    read = ReadGlobals(stream, *book) >= 0 && !book->sheets.empty();
    if (read) start = book->sheetOffsets[0];
    stream.seek(start);
  }
  std::unique_ptr<WorkbookData> book;
  ByteReader stream;
  std::size_t start = 0;
  bool read = false;
};

struct Order {
  const char* name;
  std::function<void(BiffWriter&)> body;

  friend void PrintTo(const Order& o, std::ostream* os) { *os << o.name; }
};

class SheetTextOrders : public ::testing::TestWithParam<Order> {};

TEST_P(SheetTextOrders, GivesTheTextOfTheWholeCellList) {
  const BiffWriter w = Workbook(2, GetParam().body);
  const std::string expected = WholeListText(w);
  ASSERT_GT(expected.size(), 5'000u);
  const std::string text = SheetText(w);
  // Compared without gtest's diff, which is quadratic in the text length.
  const auto [mine, theirs] = std::mismatch(text.begin(), text.end(), expected.begin(), expected.end());
  EXPECT_TRUE(mine == text.end() && theirs == expected.end())
      << "first difference at byte " << (mine - text.begin()) << " of " << text.size() << " / "
      << expected.size();
}

const Order kOrders[] = {
    {"RowsAscending",
     [](BiffWriter& w) {
       for (int r = 0; r < kRows; ++r) WriteRow(w, static_cast<std::uint16_t>(r));
     }},
    {"RowsDescending",
     [](BiffWriter& w) {
       for (int r = kRows - 1; r >= 0; --r) WriteRow(w, static_cast<std::uint16_t>(r));
     }},
    // The rows again from the first.
    {"RowsWrittenTwice",
     [](BiffWriter& w) {
       for (int r = 0; r < kRows / 2; ++r) WriteRow(w, static_cast<std::uint16_t>(r));
       for (int r = 0; r < kRows / 2; ++r) WriteRow(w, static_cast<std::uint16_t>(r));
     }},
    // Ascending in each half, but the later half starts below the end of the
    // earlier one.
    {"HalvesInterleave",
     [](BiffWriter& w) {
       for (int r = 0; r < kRows / 2; ++r) WriteRow(w, static_cast<std::uint16_t>(2 * r));
       for (int r = 0; r < kRows / 2; ++r) WriteRow(w, static_cast<std::uint16_t>(2 * r + 1));
     }},
    // Each row's cells from right to left.
    {"CellsRightToLeft",
     [](BiffWriter& w) {
       for (int r = 0; r < kRows; ++r) {
         const auto row = static_cast<std::uint16_t>(r);
         for (std::uint16_t c = 10; c-- > 0;) w.Number(row, c, 0, r + c / 10.0);
         w.Label(row, 0, u"again at column 0");
       }
     }},
    // One row of the end stored first.
    {"LaterRowStoredFirst",
     [](BiffWriter& w) {
       WriteRow(w, kRows - 10);
       for (int r = 0; r < kRows; ++r) WriteRow(w, static_cast<std::uint16_t>(r));
     }},
    // Column by column: every row is visited again and again.
    {"ColumnMajor",
     [](BiffWriter& w) {
       for (std::uint16_t c = 0; c < 10; ++c)
         for (int r = 0; r < kRows; ++r) w.Number(static_cast<std::uint16_t>(r), c, 0, r + c / 10.0);
     }},
    // One row holds most cells.
    {"OneLongRow",
     [](BiffWriter& w) {
       for (std::uint16_t c = 0; c < 60'000; ++c) w.RK(5, c, 0, (static_cast<std::uint32_t>(c) << 2) | 0x02);
       for (int r = 6; r < 100; ++r) WriteRow(w, static_cast<std::uint16_t>(r));
     }},
    // Records of a type no reader knows, whose payloads hold what looks like a
    // run of RK records for the row just written and then for the next one:
    // they are no cells.
    {"CellRecordsInsidePayloads",
     [](BiffWriter& w) {
       for (int r = 0; r < 150; ++r) {
         const auto row = static_cast<std::uint16_t>(r);
         WriteRow(w, row);
         std::vector<std::uint8_t> lookalike;
         for (std::uint16_t c = 200; c < 780; ++c) AppendRK(lookalike, c < 770 ? row : row + 1, c);
         w.Record(0x1234, lookalike);
       }
     }},
    // A chart's substream amid the rows: its cached values are no cells.
    {"ChartAmidTheRows",
     [](BiffWriter& w) {
       for (int r = 0; r < kRows / 2; ++r) WriteRow(w, static_cast<std::uint16_t>(r));
       WriteChart(w);
       for (int r = kRows / 2; r < kRows; ++r) WriteRow(w, static_cast<std::uint16_t>(r));
     }},
    // Two charts.
    {"TwoCharts",
     [](BiffWriter& w) {
       for (int r = 0; r < kRows; ++r) {
         WriteRow(w, static_cast<std::uint16_t>(r));
         if (r == kRows / 5 || r == kRows * 4 / 5) WriteChart(w);
       }
     }},
    // Cell records after the worksheet's EOF record, before the next sheet:
    // one pass stops at the EOF and never reads them.
    {"CellRecordsAfterTheEof",
     [](BiffWriter& w) {
       for (int r = 0; r < kRows / 4; ++r) WriteRow(w, static_cast<std::uint16_t>(r));
       w.Eof();
       for (int r = kRows / 4; r < kRows; ++r) WriteRow(w, static_cast<std::uint16_t>(r));
     }},
    // The same, with what looks like RK records in a payload before the EOF,
    // the last of them running on over the EOF record.
    {"CellRecordsRightAfterTheEof",
     [](BiffWriter& w) {
       constexpr int kHalf = kRows * 2 / 5;
       for (int r = 0; r < kHalf; ++r) WriteRow(w, static_cast<std::uint16_t>(r));
       std::vector<std::uint8_t> lookalike;
       for (std::uint16_t c = 0; c < 500; ++c) AppendRK(lookalike, 7000, c);
       const std::uint8_t overTheEof[] = {0x35, 0x12, 4, 0};
       lookalike.insert(lookalike.end(), std::begin(overTheEof), std::end(overTheEof));
       w.Record(0x1234, lookalike);
       w.Eof();
       for (int r = kHalf; r < 2 * kHalf; ++r) WriteRow(w, static_cast<std::uint16_t>(r));
     }},
};

INSTANTIATE_TEST_SUITE_P(RecordOrders, SheetTextOrders, ::testing::ValuesIn(kOrders),
                         [](const auto& info) { return std::string(info.param.name); });

// Cells laid out as they are read must give the text of the whole cell list:
// a FORMULA keeps the text of its STRING (also across records that are not
// cells, and when it begins a row), loses it to any cell in between, and one
// that ends the records is still written.
TEST(StreamWorksheetRows, LaysOutTheRowsOfOnePass) {
  const BiffWriter w = Workbook(1, [](BiffWriter& b) {
    b.FormulaSpecial(0, 0, 0, 0);
    b.String(u"first");
    b.Number(0, 2, 0, 1.5);
    b.FormulaSpecial(1, 1, 0, 0);  // begins row 1, then its text
    b.Record(0x00BC, testing::Bytes().u32(0).u32(0));  // a shared formula between
    b.String(u"second");
    b.MulRK(2, 0, {{0, 0x3FF00000u}, {0, (7u << 2) | 0x02}});
    b.FormulaSpecial(3, 5, 0, 0);
    b.Number(3, 6, 0, 2);  // before the STRING: the formula stays empty
    b.String(u"lost");
    b.FormulaSpecial(4, 3, 0, 0);
    b.String(u"fourth");
    b.LabelSst(4, 4, 0, 1);
    for (int r = 5; r < 40; ++r) WriteRow(b, static_cast<std::uint16_t>(r));
    b.FormulaSpecial(41, 2, 0, 0);
    b.String(u"last");
  });
  FirstSheet sheet(w);
  ASSERT_TRUE(sheet.read);
  const auto& book = sheet.book;
  ByteReader& stream = sheet.stream;
  const std::size_t start = sheet.start;

  stream.seek(start);
  WorksheetData whole;
  const std::size_t wholeBytes = ReadWorksheet(stream, whole);
  std::string expected;
  LayOutWorksheetText(*book, whole, expected);

  stream.seek(start);
  std::string text;
  AppendSheetNameLine(whole, text);
  RowTextWriter writer(*book, text);
  const std::optional<std::size_t> bytes = StreamWorksheetRows(stream, writer);
  ASSERT_TRUE(bytes.has_value());
  writer.Finish();
  EndWorksheetText(text);
  EXPECT_EQ(*bytes, wholeBytes);  // up to the EOF record
  EXPECT_EQ(text, expected);
  for (const char* kept : {"first", "second", "fourth", "last"})
    EXPECT_NE(text.find(kept), std::string::npos) << kept;
  EXPECT_EQ(text.find("lost"), std::string::npos);
}

// A row that does not begin above the one before it, or a cell at or left of
// the cell before it in its row, ends the handing over.
TEST(StreamWorksheetRows, GivesUpAtACellOutOfOrder) {
  struct Case {
    const char* name;
    std::function<void(BiffWriter&)> stray;  // written after rows 1 and 3
    bool streamed;
  };
  const Case cases[] = {
      {"row 3 again, further right", [](BiffWriter& b) { b.Number(3, 3, 0, 4); }, true},
      {"row 1 again", [](BiffWriter& b) { b.Number(1, 1, 0, 4); }, false},
      {"row 3, left of its cell", [](BiffWriter& b) { b.Number(3, 0, 0, 4); }, false},
      {"row 3, the same column", [](BiffWriter& b) { b.Number(3, 2, 0, 4); }, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const BiffWriter w = Workbook(1, [&c](BiffWriter& b) {
      b.Number(1, 0, 0, 1);
      b.Number(3, 2, 0, 3);
      c.stray(b);
      b.Number(5, 0, 0, 5);
    });
    FirstSheet sheet(w);
    ASSERT_TRUE(sheet.read);
    std::string text;
    RowTextWriter writer(*sheet.book, text);
    const std::optional<std::size_t> bytes = StreamWorksheetRows(sheet.stream, writer);
    EXPECT_EQ(bytes.has_value(), c.streamed);
    if (bytes) {
      writer.Finish();
      EXPECT_EQ(text, "1\r\n\t\t3\t4\r\n5\r\n");
    }
  }
}

// What laying out raises comes out of the reading, not swallowed by the
// record loop that passes over fields cut off by the end of the stream.
TEST(StreamWorksheetRows, PassesOnWhatTheLayoutRaises) {
  const BiffWriter w = Workbook(1, [](BiffWriter& b) {
    for (int r = 0; r < 50; ++r) WriteRow(b, static_cast<std::uint16_t>(r));
  });
  FirstSheet sheet(w);
  ASSERT_TRUE(sheet.read);
  std::string text;
  RowTextWriter writer(*sheet.book, text, 100);
  EXPECT_THROW(StreamWorksheetRows(sheet.stream, writer), ExtractionError);
}

// Worksheet offsets that all point at one large sheet spend the read budget,
// whether its cells are laid out as they are read or from the whole list.
TEST(SheetTextBudget, OverlappingSheetsFailAsWhenReadWhole) {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  std::vector<std::size_t> handles;
  for (int i = 0; i < 12; ++i) handles.push_back(w.BoundSheet(u"S"));
  w.Eof();
  w.StartSheet(handles[0]);
  const std::uint32_t offset = static_cast<std::uint32_t>(w.size() - 20);  // the BOF just written
  for (int r = 0; r < kRows; ++r) WriteRow(w, static_cast<std::uint16_t>(r));
  w.Eof();
  for (std::size_t i = 1; i < handles.size(); ++i) w.SetSheetOffset(handles[i], offset);
  std::string text;
  EXPECT_THROW(ExtractWorkbookStreamText(w.bytes(), text), ExtractionError);
  const auto book = std::make_unique<WorkbookData>();
  InitStyleData(book->styles);
  ByteReader stream(w.bytes());
  std::vector<WorksheetData> sheets;
  EXPECT_THROW(ReadWholeWorkbook(stream, *book, sheets), ExtractionError);
}

}  // namespace
}  // namespace tabulox
