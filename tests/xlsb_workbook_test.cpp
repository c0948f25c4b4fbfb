// The .xlsb reader: packages built here record by record, in both layouts,
// with the options, damaged parts, and the corpus's binary workbooks.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "support/xlsb_writer.h"
#include "support/zip_writer.h"
#include "tabulox/tabulox.h"

namespace tabulox {
namespace {

using namespace testing::xlsb;
using testing::WriteZip;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Converts with UTF-8 output; `text` gets the output without its mark.
ResultCode Convert(const std::string& archive, std::string& text, const ConversionOptions& options = {}) {
  static Engine engine;
  OutputBlock block;
  const ResultCode rc =
      engine.ConvertBuffer(testing::Bytes(archive), WorkbookType::kXlsb, 65001, options, block);
  text.clear();
  if (rc >= 0) {
    const std::string out(reinterpret_cast<const char*>(block.data()), static_cast<std::size_t>(rc));
    EXPECT_TRUE(out.starts_with(kBom));
    text = out.substr(kBom.size());
  }
  return rc;
}

ConversionOptions AsShown() {
  ConversionOptions options;
  options.layout = Layout::kAsShown;
  return options;
}

// ------------------------------------------------------------ cell records

// Every cell record kind, short forms included, in one sheet.
Book EveryCellKind() {
  Book book;
  book.strings = {"shared", "second"};
  std::string r = Row(0);
  r += Record(1, Cell(0));                               // BrtCellBlank
  r += Record(2, Cell(1).u32((100u << 2) | 2));          // BrtCellRk: integer 100
  r += Record(3, Cell(2).u8(0x07));                      // BrtCellError: #DIV/0!
  r += Record(4, Cell(3).u8(1));                         // BrtCellBool
  r += Record(5, Cell(4).f64(1.5));                      // BrtCellReal
  r += Record(6, Cell(5).wide("inline"));                // BrtCellSt
  r += Record(7, Cell(6).u32(0));                        // BrtCellIsst
  r += Row(1);
  r += Record(8, Cell(0).wide("fs").u16(0).u32(0));      // BrtFmlaString
  r += Record(9, Cell(1).f64(2.25).u16(0).u32(0));       // BrtFmlaNum
  r += Record(10, Cell(2).u8(0).u16(0).u32(0));          // BrtFmlaBool
  r += Record(11, Cell(3).u8(0x2A).u16(0).u32(0));       // BrtFmlaError: #N/A
  r += Row(2);
  r += Record(12, ShortCell());                          // BrtShortBlank, column A
  r += Record(13, ShortCell().u32(0x3FF00000u | 1));     // BrtShortRk: 1.0 / 100
  r += Record(14, ShortCell().u8(0x17));                 // BrtShortError: #REF!
  r += Record(15, ShortCell().u8(1));                    // BrtShortBool
  r += Record(16, ShortCell().f64(3.5));                 // BrtShortReal
  r += Record(17, ShortCell().wide("ss"));               // BrtShortSt
  r += Record(18, ShortCell().u32(1));                   // BrtShortIsst
  r += Row(4);
  r += Record(62, Cell(1).u8(1).wide("rich").u32(1).u32(0));  // BrtCellRString with a run
  r += Record(7, Cell(2).u32(9));                        // an index beyond the strings
  book.sheets = {{"Data", r}};
  return book;
}

TEST(XlsbCells, DefaultLayoutWritesEveryRecordKindByTheXlsRules) {
  std::string text;
  ASSERT_GE(Convert(Package(EveryCellKind()), text), 0);
  EXPECT_EQ(text,
            "Data\r\n"
            "\t100\t7\t1\t1.5\tinline\tshared\r\n"
            "fs\t2.25\t0\t42\r\n"
            "\t0.01\t23\t1\t3.5\tss\tsecond\r\n"
            "\trich\t\r\n"  // a string index beyond the table: an empty cell
            "\r\n");
}

TEST(XlsbCells, AsShownLayoutWritesEveryRecordKindAsShown) {
  std::string text;
  ASSERT_GE(Convert(Package(EveryCellKind()), text, AsShown()), 0);
  EXPECT_EQ(text,
            "\t100\t#DIV/0!\tTRUE\t1.5\tinline\tshared\r\n"
            "fs\t2.25\tFALSE\t#N/A\t\t\t\r\n"
            "\t0.01\t#REF!\tTRUE\t3.5\tss\tsecond\r\n"
            "\t\t\t\t\t\t\r\n"
            "\trich\t\t\t\t\t\r\n");
}

TEST(XlsbCells, RowsBeyondTheXlsLimitKeepTheirPlace) {
  Book book;
  book.sheets = {{"Tall", Row(0) + Record(5, Cell(0).f64(1)) + Row(69999) + Record(5, Cell(1).f64(2))}};
  std::string text;
  ASSERT_GE(Convert(Package(book), text, AsShown()), 0);
  EXPECT_EQ(text.size(), 4 + 69998 * 3 + 4);
  EXPECT_TRUE(text.starts_with("1\t\r\n\t\r\n"));
  EXPECT_TRUE(text.ends_with("\t2\r\n"));
}

TEST(XlsbCells, CellsBeyondTheSheetAreLeftOut) {
  Book book;
  book.sheets = {{"Far", Row(0) + Record(5, Cell(0xFFFFFFF0u).f64(1)) + Record(5, Cell(16384).f64(2)) +
                             Record(5, Cell(16383).f64(3)) + Row(0xFFFFFFF0u) + Record(5, Cell(0).f64(4)) +
                             Row(1048576) + Record(5, Cell(0).f64(5))}};
  std::string text;
  ASSERT_GE(Convert(Package(book), text), 0);
  EXPECT_EQ(text, "Far\r\n" + std::string(16383, '\t') + "3\r\n\r\n");
  ASSERT_GE(Convert(Package(book), text, AsShown()), 0);
  EXPECT_EQ(text, std::string(16383, '\t') + "3\r\n");
}

// Excel ends its sheets with a future-record block that holds a record of
// type 1, the type of a blank cell; no record after the sheet data is a cell.
TEST(XlsbCells, RecordsAfterTheSheetDataAreNoCells) {
  Book book;
  book.sheets = {{"Data", Row(0) + Record(5, Cell(2).f64(1)), 0,
                  Record(35, Payload().u32(0x10E02)) + Record(1, Cell(0, 8).u8(0)) +
                      Record(5, Cell(0).f64(9)) + Row(3) + Record(6, Cell(1).wide("late")) + Record(36)}};
  std::string text;
  ASSERT_GE(Convert(Package(book), text), 0);
  EXPECT_EQ(text, "Data\r\n\t\t1\r\n\r\n");
  ASSERT_GE(Convert(Package(book), text, AsShown()), 0);
  EXPECT_EQ(text, "\t\t1\r\n");
}

TEST(XlsbCells, EmptyRowRecordsCostNoText) {
  std::string rows;
  for (std::uint32_t row = 0; row < 100000; ++row) rows += Row(row);
  Book book;
  book.sheets = {{"Empty", rows + Row(100000) + Record(5, Cell(0).f64(7))}};
  std::string text;
  ASSERT_GE(Convert(Package(book), text), 0);
  EXPECT_EQ(text, "Empty\r\n7\r\n\r\n");
}

// ------------------------------------------------------------ number formats

Book FormattedNumbers(bool date1904) {
  Book book;
  book.formats = {{164, "0.000"}, {165, "yyyy\\-mm\\-dd"}};
  book.cellFormats = {0, 164, 165, 10};
  book.date1904 = date1904;
  book.sheets = {{"Numbers", Row(0) + Record(5, Cell(0, 1).f64(2)) + Record(5, Cell(1, 2).f64(45000)) +
                                 Record(2, Cell(2, 3).u32((1u << 2) | 2)) +
                                 Record(5, Cell(3, 0).f64(0.1 + 0.2)) +
                                 Record(5, Cell(4, 7).f64(5))}};
  return book;
}

TEST(XlsbNumberFormats, NumbersGoThroughTheFormatsOfTheirCellFormats) {
  std::string text;
  ASSERT_GE(Convert(Package(FormattedNumbers(false)), text), 0);
  EXPECT_EQ(text, "Numbers\r\n2.000\t2023-03-15\t100.00%\t0.3\t5\r\n\r\n");
  ASSERT_GE(Convert(Package(FormattedNumbers(false)), text, AsShown()), 0);
  EXPECT_EQ(text, "2.000\t2023-03-15\t100.00%\t0.3\t5\r\n");
}

TEST(XlsbNumberFormats, DatesOfA1904WorkbookCountFrom1904) {
  std::string text;
  ASSERT_GE(Convert(Package(FormattedNumbers(true)), text, AsShown()), 0);
  EXPECT_EQ(text, "2.000\t2027-03-16\t100.00%\t0.3\t5\r\n");
}

// ------------------------------------------------------------ sheets and hiding

Book ThreeSheets() {
  Book book;
  book.sheets = {{"One", Row(0) + Record(5, Cell(0).f64(1))},
                 {"Two", Row(0) + Record(5, Cell(0).f64(2)), 1},
                 {"Three", Row(0) + Record(5, Cell(0).f64(3)), 2}};
  return book;
}

TEST(XlsbSheets, ListsEverySheetWithItsState) {
  Engine engine;
  std::vector<SheetInfo> sheets;
  ASSERT_EQ(engine.ListSheetsInBuffer(testing::Bytes(Package(ThreeSheets())), WorkbookType::kXlsb, sheets), 3);
  ASSERT_EQ(sheets.size(), 3u);
  EXPECT_EQ(sheets[0].name, "One");
  EXPECT_FALSE(sheets[0].hidden);
  EXPECT_EQ(sheets[1].name, "Two");
  EXPECT_TRUE(sheets[1].hidden);
  EXPECT_TRUE(sheets[2].hidden);
  EXPECT_EQ(sheets[2].number, 3);
}

TEST(XlsbSheets, SheetChoiceAndHiddenSheets) {
  const std::string archive = Package(ThreeSheets());
  std::string text;
  ASSERT_GE(Convert(archive, text), 0);
  EXPECT_EQ(text, "One\r\n1\r\n\r\nTwo\r\n2\r\n\r\nThree\r\n3\r\n\r\n");
  ConversionOptions options;
  options.skipHiddenSheets = true;
  ASSERT_GE(Convert(archive, text, options), 0);
  EXPECT_EQ(text, "One\r\n1\r\n\r\n");
  options.sheets = {SheetChoice{"three", 0}};
  ASSERT_GE(Convert(archive, text, options), 0);
  EXPECT_EQ(text, "Three\r\n3\r\n\r\n");
  options.sheets = {SheetChoice{"Four", 0}};
  EXPECT_EQ(Convert(archive, text, options), kSheetNotFound);
  ConversionOptions csv;
  csv.layout = Layout::kCsv;
  EXPECT_EQ(Convert(archive, text, csv), kSeveralSheets);
}

TEST(XlsbSheets, HiddenRowsAndColumnsAreLeftOutWhenAsked) {
  Book book;
  book.sheets = {{"Hiding", Columns(1, 1, true) + Row(0) + Record(5, Cell(0).f64(1)) +
                                Record(5, Cell(1).f64(2)) + Record(5, Cell(2).f64(3)) + Row(1, true) +
                                Record(5, Cell(0).f64(4)) + Row(2) + Record(5, Cell(2).f64(5))}};
  const std::string archive = Package(book);
  std::string text;
  ASSERT_GE(Convert(archive, text, AsShown()), 0);
  EXPECT_EQ(text, "1\t2\t3\r\n4\t\t\r\n\t\t5\r\n");
  ConversionOptions options = AsShown();
  options.skipHiddenRows = true;
  options.skipHiddenColumns = true;
  ASSERT_GE(Convert(archive, text, options), 0);
  EXPECT_EQ(text, "1\t3\r\n\t5\r\n");
  options.layout = Layout::kDefault;
  ASSERT_GE(Convert(archive, text, options), 0);
  EXPECT_EQ(text, "Hiding\r\n1\t3\r\n\t5\r\n\r\n");
}

// ------------------------------------------------------------ damaged input

TEST(XlsbDamage, DamagedPartsGiveFormatNotCorrect) {
  const Book good = EveryCellKind();
  std::string text;
  auto withSheet = [&](const std::string& records) {
    Book book = good;
    book.sheets[0].records = records;
    return Package(book);
  };
  // A record cut short, a size beyond the part, a string longer than its
  // record, a type or size written in too many bytes, a cell record without
  // its fields.
  EXPECT_EQ(Convert(withSheet(Row(0) + Record(5, Cell(0).f64(1)).substr(0, 10)), text), kFormatNotCorrect);
  EXPECT_EQ(Convert(withSheet(Row(0) + std::string("\x05\xFF\xFF\xFF\x7F", 5) + "abc"), text), kFormatNotCorrect);
  EXPECT_EQ(Convert(withSheet(Row(0) + Record(6, Cell(0).u32(0x7FFFFFFF).u16('a'))), text), kFormatNotCorrect);
  EXPECT_EQ(Convert(withSheet(std::string("\x81\x81\x01\x00", 4)), text), kFormatNotCorrect);
  EXPECT_EQ(Convert(withSheet(std::string("\x05\x80\x80\x80\x80\x01", 6)), text), kFormatNotCorrect);
  EXPECT_EQ(Convert(withSheet(Row(0) + Record(5, Payload().u32(0))), text), kFormatNotCorrect);
  // A shared-strings part with a string longer than its record.
  Book strings = good;
  strings.stringsPart = Record(19, Payload().u8(0).u32(1000).u16('a'));
  EXPECT_EQ(Convert(Package(strings), text), kFormatNotCorrect);
  // No workbook relationships, and no archive at all.
  EXPECT_EQ(Convert(WriteZip({{"xl/workbook.bin", "x"}}), text), kFormatNotCorrect);
  EXPECT_EQ(Convert("not a zip archive", text), kFormatNotCorrect);
}

TEST(XlsbDamage, AShortRowHeaderHidesNothing) {
  Book book;
  book.sheets = {{"S", Record(0, Payload().u32(0)) + Record(5, Cell(0).f64(1))}};
  std::string text;
  ConversionOptions options;
  options.skipHiddenRows = true;
  ASSERT_GE(Convert(Package(book), text, options), 0);
  EXPECT_EQ(text, "S\r\n1\r\n\r\n");
}

// ------------------------------------------------------------ the corpus

const std::filesystem::path kCorpus = "/work/shared/corpus/xlsb";

TEST(XlsbCorpus, EveryWorkbookConvertsInEveryLayout) {
  if (!std::filesystem::is_directory(kCorpus)) GTEST_SKIP() << "no corpus at " << kCorpus;
  Engine engine;
  int files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(kCorpus)) {
    if (entry.path().extension() != ".xlsb") continue;
    ++files;
    for (const Layout layout : {Layout::kDefault, Layout::kAsShown}) {
      ConversionOptions options;
      options.layout = layout;
      options.skipHiddenRows = layout == Layout::kAsShown;
      OutputBlock block;
      EXPECT_GT(engine.ConvertFile(entry.path().string(), WorkbookType::kXlsb, 65001, options, block), 0)
          << entry.path();
    }
  }
  EXPECT_GT(files, 0);
}

// Texts LibreOffice's own reader shows for the same cells.
TEST(XlsbCorpus, CellsShowWhatAnIndependentReaderShows) {
  if (!std::filesystem::is_directory(kCorpus)) GTEST_SKIP() << "no corpus at " << kCorpus;
  struct Expected {
    const char* file;
    const char* fragment;
  };
  const Expected expected[] = {
      {"sheetjs__RkNumber.xlsb", "1\t1\t12004.55\r\n"},
      {"sheetjs__1904.xlsb", "1111\t1907-01-16\t"},
      {"sheetjs__ErrorTypes.xlsb", "#DIV/0!"},
      {"sheetjs__text_and_numbers.xlsb", "\r\n"},
      {"calamine__any_sheets.xlsb", "1\t2\r\n3\t4\r\n5\t6\r\n"},
  };
  Engine engine;
  for (const Expected& e : expected) {
    OutputBlock block;
    const ResultCode rc =
        engine.ConvertFile((kCorpus / e.file).string(), WorkbookType::kXlsb, 65001, AsShown(), block);
    ASSERT_GT(rc, 0) << e.file;
    const std::string text(reinterpret_cast<const char*>(block.data()), static_cast<std::size_t>(rc));
    EXPECT_NE(text.find(e.fragment), std::string::npos) << e.file << " lacks " << e.fragment;
  }
}

}  // namespace
}  // namespace tabulox
