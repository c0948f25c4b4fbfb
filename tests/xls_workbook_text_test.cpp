#include "xls/xls_workbook_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "core/extraction_error.h"
#include "core/file_bytes.h"
#include "numfmt/regional_settings.h"
#include "support/biff_writer.h"
#include "support/whole_workbook.h"
#include "xls/biff_records.h"
#include "xls/compound_file.h"
#include "xls/convert_workbook.h"
#include "xls/worksheet_layout.h"
#include "xls/xls_globals.h"

namespace tabulox {
namespace {

using testing::BiffWriter;
using testing::ContinuedRecord;

ResultCode Extract(const BiffWriter& w, std::string& text) {
  return ExtractWorkbookStreamText(w.bytes(), text);
}

std::string TextOf(const BiffWriter& w) {
  std::string text;
  const ResultCode code = Extract(w, text);
  EXPECT_EQ(code, static_cast<ResultCode>(text.size()));
  return text;
}

// A workbook of one worksheet "S" with the shared strings `sst`, whose cell
// records `body` writes.
BiffWriter OneSheet(std::initializer_list<std::u16string_view> sst,
                    const std::function<void(BiffWriter&)>& body) {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  const auto sheet = w.BoundSheet(u"S");
  w.Sst(sst);
  w.Eof();
  w.StartSheet(sheet);
  body(w);
  w.Eof();
  return w;
}

struct LayoutCase {
  const char* name;
  std::function<void(BiffWriter&)> body;
  std::string rows;  // the text after "S\r\n", before the closing "\r\n"

  friend void PrintTo(const LayoutCase& c, std::ostream* os) { *os << c.name; }
};

class XlsSheetLayout : public ::testing::TestWithParam<LayoutCase> {
 protected:
  void SetUp() override { SetRegionalSettings(RegionalSettings{}); }
};

TEST_P(XlsSheetLayout, Text) {
  const BiffWriter w = OneSheet({u"a", u"b", u"c"}, GetParam().body);
  EXPECT_EQ(TextOf(w), "S\r\n" + GetParam().rows + "\r\n");
}

const std::uint8_t kDoubleWithMarker[8] = {0, 0, 0, 0, 0, 0, 0xFF, 0xFF};

INSTANTIATE_TEST_SUITE_P(
    Cases, XlsSheetLayout,
    ::testing::Values(LayoutCase{"FirstCellInColumnCGivesTwoLeadingTabs",
                                 [](BiffWriter& w) { w.LabelSst(0, 2, 0, 0); }, "\t\ta\r\n"},
                      LayoutCase{"NoTabAfterLastTextCell",
                                 [](BiffWriter& w) {
                                   w.LabelSst(0, 0, 0, 0);
                                   w.LabelSst(0, 1, 0, 1);
                                 },
                                 "a\tb\r\n"},
                      LayoutCase{"TrailingBlankCellWritesTabsUpToItsColumn",
                                 [](BiffWriter& w) {
                                   w.LabelSst(0, 0, 0, 0);
                                   w.Blank(0, 3, 0);
                                 },
                                 "a\t\t\t\r\n"},
                      LayoutCase{"BlankOnlyRows",
                                 [](BiffWriter& w) {
                                   w.Blank(0, 0, 0);
                                   w.Blank(1, 2, 0);
                                 },
                                 "\r\n\t\t\r\n"},
                      LayoutCase{"RowWithoutCellsGivesNoLine",
                                 [](BiffWriter& w) {
                                   w.LabelSst(0, 0, 0, 0);
                                   w.LabelSst(2, 0, 0, 1);
                                 },
                                 "a\r\nb\r\n"},
                      LayoutCase{"EmptySheet", [](BiffWriter&) {}, ""},
                      // Cells stored out of order: rows in row order, each
                      // cell in its column.
                      LayoutCase{"CellsOutOfColumnOrderStandInTheirColumns",
                                 [](BiffWriter& w) {
                                   w.LabelSst(0, 3, 0, 0);
                                   w.LabelSst(0, 1, 0, 1);
                                   w.Number(0, 2, 0, 7);
                                 },
                                 "\tb\t7\ta\r\n"},
                      LayoutCase{"RowFoundAgainTakesLaterCells",
                                 [](BiffWriter& w) {
                                   w.LabelSst(1, 0, 0, 0);
                                   w.LabelSst(0, 0, 0, 1);
                                   w.LabelSst(1, 1, 0, 2);
                                 },
                                 "b\r\na\tc\r\n"},
                      LayoutCase{"RowMissedBySearchIsOneLine",
                                 [](BiffWriter& w) {
                                   w.RK(5, 0, 0, 0x192);
                                   w.RK(9, 0, 0, 0x192);
                                   w.RK(3, 0, 0, 0x192);
                                   w.LabelSst(3, 1, 0, 0);
                                 },
                                 "100\ta\r\n100\r\n100\r\n"},
                      LayoutCase{"RowInTwoRunsLeftRunLast",
                                 [](BiffWriter& w) {
                                   w.LabelSst(0, 2, 0, 0);
                                   w.LabelSst(1, 0, 0, 1);
                                   w.LabelSst(0, 0, 0, 2);
                                 },
                                 "c\t\ta\r\nb\r\n"},
                      LayoutCase{"SameColumnTwiceKeepsStoredOrder",
                                 [](BiffWriter& w) {
                                   w.LabelSst(0, 1, 0, 0);
                                   w.LabelSst(0, 1, 0, 1);
                                 },
                                 "\tab\r\n"},
                      LayoutCase{"SameColumnTwiceAfterACellToTheRight",
                                 [](BiffWriter& w) {
                                   w.LabelSst(0, 3, 0, 0);
                                   w.LabelSst(0, 1, 0, 1);
                                   w.LabelSst(0, 1, 0, 2);
                                 },
                                 "\tbc\t\ta\r\n"},
                      // Texts kept apart from their cells go with them.
                      LayoutCase{"LabelAndFormulaTextOutOfOrder",
                                 [](BiffWriter& w) {
                                   w.FormulaSpecial(1, 2, 0, 0);
                                   w.String(u"f");
                                   w.Label(1, 0, u"x");
                                   w.Label(0, 1, u"y");
                                 },
                                 "\ty\r\nx\t\tf\r\n"},
                      LayoutCase{"SharedStringIndexBeyondTableWritesNothing",
                                 [](BiffWriter& w) {
                                   w.LabelSst(0, 0, 0, 3);
                                   w.LabelSst(0, 1, 0, 0xFFFFFFFF);
                                   w.LabelSst(0, 2, 0, 2);
                                 },
                                 "\t\tc\r\n"},
                      LayoutCase{"Numbers",
                                 [](BiffWriter& w) {
                                   w.Number(0, 0, 0, 1.5);
                                   w.Number(0, 1, 0, -2e20);
                                   w.FormulaNumber(0, 2, -0.5);
                                 },
                                 "1.5\t-2E20\t-0.5\r\n"},
                      LayoutCase{"NumberWithMarkerBytesIsZero",
                                 [](BiffWriter& w) {
                                   testing::Bytes b;
                                   b.u16(0).u16(0).u16(0).raw(kDoubleWithMarker);
                                   w.Record(kRecordNumber, b);
                                 },
                                 "0\r\n"},
                      LayoutCase{"RKAndMulRK",
                                 [](BiffWriter& w) {
                                   w.RK(0, 0, 0, 0x3FF00000);
                                   w.MulRK(0, 1, {{0, 0x192}, {0, 0x3FF00001}, {0, 0x193}});
                                 },
                                 "1\t100\t0.01\t1\r\n"},
                      LayoutCase{"MulBlank",
                                 [](BiffWriter& w) {
                                   w.MulBlank(0, 1, {0, 0, 0});
                                   w.LabelSst(1, 0, 0, 0);
                                   w.MulBlank(1, 1, {0});
                                 },
                                 "\t\t\t\r\na\t\r\n"},
                      LayoutCase{"MulBlankBeyondColumn65535",
                                 [](BiffWriter& w) {
                                   w.MulBlank(0, 65534, {0, 0, 0});
                                 },
                                 std::string(65536, '\t') + "\r\n"},
                      LayoutCase{"FormulaNumberInGeneralForm",
                                 [](BiffWriter& w) { w.FormulaNumber(0, 0, 39448); }, "39448\r\n"},
                      LayoutCase{"FormulaBooleanAndErrors",
                                 [](BiffWriter& w) {
                                   w.FormulaSpecial(0, 0, 1, 1);     // TRUE
                                   w.FormulaSpecial(0, 1, 1, 0);     // FALSE
                                   w.FormulaSpecial(0, 2, 2, 0x07);  // #DIV/0!
                                   w.FormulaSpecial(0, 3, 2, 0x2A);  // #N/A
                                   w.FormulaSpecial(0, 4, 2, 0x00);  // #NULL!
                                   w.FormulaSpecial(0, 5, 3, 0);     // empty
                                   w.FormulaSpecial(0, 6, 9, 5);     // unknown type
                                   w.LabelSst(0, 7, 0, 0);
                                 },
                                 "1\t0\t7\t42\t\t\t\ta\r\n"},
                      LayoutCase{"FormulaStringFromStringRecord",
                                 [](BiffWriter& w) {
                                   w.FormulaSpecial(0, 0, 0, 0);
                                   w.String(u"hi");
                                   w.FormulaSpecial(0, 1, 0, 0);
                                   w.Record(0x04BC, testing::Bytes{});  // SHRFMLA between
                                   w.String(u"\u4E2D\u00E9");
                                 },
                                 "hi\t\xE4\xB8\xAD\xC3\xA9\r\n"},
                      LayoutCase{"FormulaStringAcrossContinueWithWidthChange",
                                 [](BiffWriter& w) {
                                   w.FormulaSpecial(0, 0, 0, 0);
                                   ContinuedRecord s(kRecordString);
                                   s.bytes().u16(4).u8(1).chars(u"\u4E2D", true);
                                   s.CutChars(false).bytes().chars(std::u16string(u"b\0c", 3),
                                                                   false);
                                   w.Record(s);
                                   w.LabelSst(0, 1, 0, 0);
                                 },
                                 "\xE4\xB8\xAD"
                                 "b c\ta\r\n"},
                      LayoutCase{"FormulaStringWithoutStringRecordIsEmpty",
                                 [](BiffWriter& w) {
                                   w.FormulaSpecial(0, 0, 0, 0);
                                   w.LabelSst(0, 1, 0, 0);
                                   w.String(u"stray");
                                 },
                                 "\ta\r\n"},
                      LayoutCase{"StringCutOffByLastContinueKeepsCharactersRead",
                                 [](BiffWriter& w) {
                                   w.FormulaSpecial(0, 0, 0, 0);
                                   ContinuedRecord s(kRecordString);
                                   s.bytes().u16(5).u8(0).chars(u"ab", false);
                                   w.Record(s);
                                 },
                                 "ab\r\n"},
                      LayoutCase{"RecordReadingGoesOnAfterPayloadWhateverWasRead",
                                 [](BiffWriter& w) {
                                   testing::Bytes longBlank;
                                   longBlank.u16(0).u16(1).u16(0).u32(0xDEADBEEF);
                                   w.Record(kRecordBlank, longBlank);
                                   w.LabelSst(0, 2, 0, 1);
                                 },
                                 "\t\tb\r\n"},
                      LayoutCase{"ShortRecordReadsOnIntoTheNextOne",
                                 [](BiffWriter& w) {
                                   // A LABELSST stating 6 bytes reads its string index from
                                   // the next record's header (type 0x0201, length 6): index
                                   // 0x00060201 is beyond the table; the BLANK still counts.
                                   testing::Bytes shortLabel;
                                   shortLabel.u16(0).u16(0).u16(0);
                                   w.Record(kRecordLabelSst, shortLabel);
                                   w.Blank(0, 1, 0);
                                 },
                                 "\t\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WorkbookText, TwoSheetsHiddenKeptChartAndMacroLeftOut) {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  const auto first = w.BoundSheet(u"One");
  const auto chart = w.BoundSheet(u"Chart", 2);
  const auto macro = w.BoundSheet(u"Macro", 1);
  const auto hidden = w.BoundSheet(u"Two", 0, 1);
  const auto veryHidden = w.BoundSheet(u"Three", 0, 2);
  w.Sst({u"x"});
  w.Eof();
  w.StartSheet(first);
  w.LabelSst(0, 0, 0, 0);
  w.Eof();
  w.StartSheet(chart);
  w.Number(0, 0, 0, 1);
  w.Eof();
  w.StartSheet(macro);
  w.Number(0, 0, 0, 2);
  w.Eof();
  w.StartSheet(hidden);
  w.Number(0, 1, 0, 3);
  w.Eof();
  w.StartSheet(veryHidden);
  w.Eof();
  EXPECT_EQ(TextOf(w), "One\r\nx\r\n\r\nTwo\r\n\t3\r\n\r\nThree\r\n\r\n");
}

TEST(WorkbookText, SheetsInBoundSheetOrderNotStreamOrder) {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  const auto a = w.BoundSheet(u"A");
  const auto b = w.BoundSheet(u"B");
  w.Eof();
  w.StartSheet(b);
  w.Number(0, 0, 0, 2);
  w.Eof();
  w.StartSheet(a);
  w.Number(0, 0, 0, 1);
  w.Eof();
  EXPECT_EQ(TextOf(w), "A\r\n1\r\n\r\nB\r\n2\r\n\r\n");
}

TEST(WorkbookText, SharedStringsAfterTheSheetsStillResolve) {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  const auto s = w.BoundSheet(u"S");
  w.Sst({u"early"});
  const auto t = w.BoundSheet(u"T");
  w.Sst({u"late"});
  w.Eof();
  w.StartSheet(s);
  w.LabelSst(0, 0, 0, 0);
  w.Eof();
  w.StartSheet(t);
  w.LabelSst(0, 0, 0, 0);
  w.Eof();
  EXPECT_EQ(TextOf(w), "S\r\nlate\r\n\r\nT\r\nlate\r\n\r\n");
}

TEST(WorkbookText, SheetNamesToUtf8) {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  const auto wide = w.BoundSheet(u"\u0416\u00E9");
  const auto narrow = w.BoundSheet(u"caf\u00E9");
  w.Eof();
  w.StartSheet(wide);
  w.Eof();
  w.StartSheet(narrow);
  w.Eof();
  EXPECT_EQ(TextOf(w), "\xD0\x96\xC3\xA9\r\n\r\ncaf\xC3\xA9\r\n\r\n");
}

TEST(WorkbookText, FilePassIsEncrypted) {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  w.FilePass();
  const auto s = w.BoundSheet(u"S");
  w.Eof();
  w.StartSheet(s);
  w.Number(0, 0, 0, 1);
  w.Eof();
  std::string text = "previous";
  EXPECT_EQ(Extract(w, text), kSourceEncrypted);
  EXPECT_EQ(text, "previous");  // nothing of the workbook appended
}

// The text is appended to what the string already holds (the entry points
// start it with the mark of the output), and its own length is returned.
TEST(WorkbookText, AppendsToTheTextAndGivesItsOwnLength) {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  const auto s = w.BoundSheet(u"S");
  w.Eof();
  w.StartSheet(s);
  w.Number(0, 1, 0, 1);
  w.Eof();
  std::string text = "\xEF\xBB\xBF";
  EXPECT_EQ(Extract(w, text), 9);
  EXPECT_EQ(text, "\xEF\xBB\xBFS\r\n\t1\r\n\r\n");
}

TEST(WorkbookText, FilePassAfterSheetsWereReadStillEncrypted) {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  const auto s = w.BoundSheet(u"S");
  w.FilePass();
  w.Eof();
  w.StartSheet(s);
  w.Number(0, 0, 0, 1);
  w.Eof();
  std::string text;
  EXPECT_EQ(Extract(w, text), kSourceEncrypted);
  EXPECT_EQ(text, "");
}

TEST(WorkbookText, BoundSheetOffsetAtOrPastEndGivesSheetWithoutRows) {
  for (std::uint32_t past : {0u, 1u, 0x7FFFFFFFu}) {
    BiffWriter w;
    w.Bof(testing::kBofGlobals);
    const auto s = w.BoundSheet(u"S");
    w.Eof();
    w.SetSheetOffset(s, static_cast<std::uint32_t>(w.size()) + past);
    EXPECT_EQ(TextOf(w), "S\r\n\r\n") << past;
  }
}

TEST(WorkbookText, BoundSheetOffsetIntoGlobalsEnds) {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  const auto s = w.BoundSheet(u"S");
  w.Sst({u"x"});
  w.Eof();
  w.SetSheetOffset(s, 0);
  EXPECT_EQ(TextOf(w), "S\r\n\r\n");
}

TEST(WorkbookText, SheetWithoutEofRunsIntoTheNext) {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  const auto a = w.BoundSheet(u"A");
  const auto b = w.BoundSheet(u"B");
  w.Eof();
  w.StartSheet(a);
  w.Number(0, 0, 0, 1);
  w.StartSheet(b);
  w.Number(1, 0, 0, 2);
  w.Eof();
  EXPECT_EQ(TextOf(w), "A\r\n1\r\n2\r\n\r\nB\r\n2\r\n\r\n");
}

TEST(WorkbookText, OffsetsOverlappingAFewTimesAreRead) {
  // Every sheet points at the same records; within the read budget.
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  std::vector<std::size_t> sheets;
  for (int i = 0; i < 4; ++i) sheets.push_back(w.BoundSheet(u"S"));
  w.Eof();
  for (const auto s : sheets) w.SetSheetOffset(s, static_cast<std::uint32_t>(w.size()));
  w.Bof(testing::kBofWorksheet);
  w.Number(0, 0, 0, 7);
  w.Eof();
  std::string expected;
  for (int i = 0; i < 4; ++i) expected += "S\r\n7\r\n\r\n";
  EXPECT_EQ(TextOf(w), expected);
}

TEST(WorkbookText, OffsetsRereadingTheStreamOverAndOverAreMalformed) {
  // Thousands of BOUNDSHEET records, each pointing at a worksheet without EOF
  // that covers most of the stream: reading them all would be quadratic.
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  std::vector<std::size_t> sheets;
  for (int i = 0; i < 2000; ++i) sheets.push_back(w.BoundSheet(u"S"));
  w.Eof();
  for (const auto s : sheets) w.SetSheetOffset(s, static_cast<std::uint32_t>(w.size()));
  for (int i = 0; i < 2000; ++i) w.Blank(static_cast<std::uint16_t>(i), 0, 0);
  std::string text;
  EXPECT_THROW(Extract(w, text), ExtractionError);
}

TEST(WorkbookText, GlobalsWithoutEofEndAtStreamEnd) {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  const auto s = w.BoundSheet(u"S");
  w.Sst({u"x"});
  w.SetSheetOffset(s, static_cast<std::uint32_t>(w.size()));
  EXPECT_EQ(TextOf(w), "S\r\n\r\n");
}

TEST(WorkbookText, RecordWhoseFieldsRunPastStreamEndIsPassedOver) {
  // A FORMAT record laid out as in earlier BIFF versions (a one-byte count):
  // read as BIFF8, its character count asks for more bytes than the stream
  // has. The record is passed over; the sheets are still read.
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  const auto s = w.BoundSheet(u"S");
  testing::Bytes format;
  format.u16(164).u8(3).chars(u"0.0", false);
  w.Record(kRecordFormat, format);
  w.XF(0);
  w.Eof();
  w.StartSheet(s);
  w.Number(0, 0, 0, 1);
  w.Number(1, 0, 0, 2);
  // A NUMBER stating no payload at the very end: its fields are not there.
  w.RecordWithLength(kRecordNumber, 0, testing::Bytes{});
  EXPECT_EQ(TextOf(w), "S\r\n1\r\n2\r\n\r\n");
}

TEST(WorkbookText, EmptyStreamAndNoSheets) {
  BiffWriter empty;
  EXPECT_EQ(TextOf(empty), "");
  BiffWriter noSheets;
  noSheets.Bof(testing::kBofGlobals);
  noSheets.Eof();
  EXPECT_EQ(TextOf(noSheets), "");
}

// Every prefix of a workbook is read without an error, and the text of a
// prefix that ends inside the last cell record holds all cells before it.
TEST(WorkbookText, TruncatedStreamsEndCleanly) {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  const auto s = w.BoundSheet(u"S");
  w.XF(0);
  w.Format(164, u"0.0");
  ContinuedRecord sst = testing::SstRecord(2, 2);
  testing::AppendSstStringHeader(sst, testing::SstString{u"split", false, 1, 2});
  sst.bytes().chars(u"sp", false);
  sst.CutChars(true).bytes().chars(u"lit", true).u32(0);
  sst.Cut().bytes().u16(0xEEEE);
  testing::AppendSstString(sst, testing::SstString{u"two"});
  w.Record(sst);
  w.Eof();
  w.StartSheet(s);
  w.LabelSst(0, 0, 0, 0);
  w.MulRK(0, 1, {{0, 0x192}, {0, 0x192}});
  w.FormulaSpecial(1, 0, 0, 0);
  w.String(u"str");
  w.MulBlank(1, 1, {0, 0});
  w.Number(2, 0, 0, 5);
  const std::size_t beforeLast = w.size();
  w.LabelSst(2, 1, 0, 1);
  w.Eof();
  EXPECT_EQ(TextOf(w), "S\r\nsplit\t100\t100\r\nstr\t\t\r\n5\ttwo\r\n\r\n");

  const std::span<const std::uint8_t> all = w.bytes();
  for (std::size_t n = 0; n < all.size(); ++n) {
    std::string text;
    ResultCode code = 0;
    ASSERT_NO_THROW(code = ExtractWorkbookStreamText(all.first(n), text)) << n;
    EXPECT_EQ(code, static_cast<ResultCode>(text.size())) << n;
    if (n > beforeLast && n < beforeLast + 14) {
      EXPECT_EQ(text, "S\r\nsplit\t100\t100\r\nstr\t\t\r\n5\r\n\r\n") << n;
    }
  }
}

TEST(WorkbookGlobals, DateModeAndFormatsGoToTheStyleTable) {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  w.XF(164);
  w.DateMode(1);
  w.Format(164, u"0.0%");
  // A FORMAT record whose length states more than its reader takes: reading
  // goes on after the stated payload.
  testing::Bytes format;
  format.u16(165).u16(2).u8(0).chars(u"mm", false).u32(0xFFFFFFFF);
  w.Record(kRecordFormat, format);
  w.Eof();
  WorkbookData book;
  InitStyleData(book.styles);
  ByteReader stream(w.bytes());
  EXPECT_EQ(ReadGlobals(stream, book), 0);
  EXPECT_EQ(book.styles.dateSystem, DateSystem::k1904);
  ASSERT_EQ(book.styles.xfs.size(), 1u);
  EXPECT_EQ(book.styles.xfs[0].formatIndex, 164);
  EXPECT_EQ(book.styles.formats[164].kind, FormatKind::kPercent);
  EXPECT_EQ(book.styles.formats[165].kind, FormatKind::kDateTime);
}

TEST(WorkbookGlobals, DateModeZeroKeeps1900) {
  BiffWriter w;
  w.Bof(testing::kBofGlobals);
  w.DateMode(0);
  w.Eof();
  WorkbookData book;
  ByteReader stream(w.bytes());
  EXPECT_EQ(ReadGlobals(stream, book), 0);
  EXPECT_EQ(book.styles.dateSystem, DateSystem::k1900);
}

// A conversion reads and lays out one worksheet at a time, as its cells are
// read where they come in layout order; over the corpus that gives what
// reading every worksheet's whole cell list first and then laying them out
// gives.
TEST(WorkbookTextCorpus, OneSheetAtATimeMatchesAllSheetsAtOnce) {
  const std::filesystem::path dir = std::filesystem::path(TABULOX_CORPUS_DIR) / "xls";
  if (!std::filesystem::is_directory(dir)) GTEST_SKIP() << "no corpus at " << dir;
  int compared = 0;
  for (const auto& item : std::filesystem::directory_iterator(dir)) {
    FileBytes file;
    if (ReadFileBytes(item.path().string(), file) != 0 || !HasCompoundFileSignature(file)) continue;
    std::string error;
    const auto storage = CompoundFile::Open(file, error);
    if (!storage) continue;
    std::optional<std::vector<std::uint8_t>> stream;
    try {
      stream = storage->OpenStream(u"Workbook");
    } catch (const ExtractionError&) {
      continue;  // a damaged container, rejected before the records
    }
    if (!stream) continue;
    std::string oneAtATime;
    ResultCode oneCode;
    try {
      oneCode = ExtractWorkbookStreamText(*stream, oneAtATime);
    } catch (const ExtractionError&) {
      oneCode = kFormatNotCorrect;
    }
    std::string allAtOnce;
    ResultCode allCode;
    try {
      const auto book = std::make_unique<WorkbookData>();
      InitStyleData(book->styles);
      ByteReader reader(*stream);
      std::vector<WorksheetData> sheets;
      allCode = ReadWholeWorkbook(reader, *book, sheets);
      if (allCode == 0) {
        for (const WorksheetData& sheet : sheets) LayOutWorksheetText(*book, sheet, allAtOnce);
        allCode = static_cast<ResultCode>(allAtOnce.size());
      }
    } catch (const ExtractionError&) {
      allCode = kFormatNotCorrect;
    }
    EXPECT_EQ(oneCode, allCode) << item.path();
    if (oneCode >= 0) {
      EXPECT_EQ(oneAtATime, allAtOnce) << item.path();
    }
    ++compared;
  }
  EXPECT_GT(compared, 100);
}


// Real workbooks whose text lay in LABEL, RSTRING and BOOLERR records, in
// charts drawn on a worksheet, or in a shared string table whose count was
// left at 0: their text compared with expected outputs in tests/golden/,
// whose text, boolean and error cells were checked one by one against an
// independent reader of the workbooks.
class RecordGolden : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override { SetRegionalSettings(RegionalSettings{}); }
};

TEST_P(RecordGolden, TextMatchesTheCheckedOutput) {
  const std::filesystem::path source =
      std::filesystem::path(TABULOX_CORPUS_DIR) / "xls" / (std::string(GetParam()) + ".xls");
  if (!std::filesystem::exists(source)) GTEST_SKIP() << source << " is not available";
  std::ifstream in(std::filesystem::path(TABULOX_GOLDEN_DIR) / (std::string(GetParam()) + ".txt"),
                   std::ios::binary);
  const std::string expected{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::string text;
  const ResultCode code = ExtractWorkbookText(source.string(), text);
  EXPECT_EQ(code, static_cast<ResultCode>(text.size()));
  EXPECT_EQ(text, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Corpus, RecordGolden,
    ::testing::Values(
        "phpspreadsheet__sample",                       // LABEL cells only
        "poi__BOOK_in_capitals",                        // LABEL cells, stream "BOOK"
        "exceldatareader__Test_git_issue_609",          // LABEL cells
        "phpspreadsheet__bug-pr-3734",                  // LABEL cells
        "poi__61045_govdocs1_626534",                   // LABEL cells
        "readxl__type-me",                              // BOOLERR constants
        "readxl__deaths",                               // BOOLERR constants
        "phpspreadsheet__example1",                     // BOOLERR constants
        "exceldatareader__Test_num_double_date_bool_string",  // BOOLERR constants
        "calamine__OOM_alloc",                          // RSTRING, charts on worksheets
        "poi__angelo.edu_content_files_19555-nsse-2011-multiyear-benchmark",  // charts
        "exceldatareader__Test_git_issue_477_sst_zero_count"),  // SST count of 0
    [](const auto& info) {
      std::string name = info.param;
      for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

}  // namespace
}  // namespace tabulox
