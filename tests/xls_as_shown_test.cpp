// The .xls reader's as-shown layout (kAsShown, kCsv), the sheets a conversion
// chooses and the hidden sheets, rows and columns it leaves out, in both
// layouts; and the sheet list. Workbooks are built record by record.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "core/result_code.h"
#include "numfmt/regional_settings.h"
#include "support/biff_writer.h"
#include "support/cfb_writer.h"
#include "support/earlier_biff_writer.h"
#include "xls/convert_workbook.h"
#include "xls/xls_workbook_text.h"

namespace tabulox {
namespace {

using testing::Biff2Attributes;
using testing::BiffWriter;
using testing::EarlierBiffWriter;
using testing::kBofGlobals;
using testing::kBofWorksheet;

ConversionOptions Shown() {
  ConversionOptions options;
  options.layout = Layout::kAsShown;
  return options;
}

ConversionOptions Csv() {
  ConversionOptions options;
  options.layout = Layout::kCsv;
  return options;
}

struct Extracted {
  ResultCode code = 0;
  std::string text;
};

Extracted Extract(std::span<const std::uint8_t> stream, const ConversionOptions& options) {
  Extracted out;
  out.code = ExtractWorkbookStreamText(stream, out.text, kUnnamedWorksheet, options);
  if (out.code >= 0) {
    EXPECT_EQ(static_cast<std::size_t>(out.code), out.text.size());
  }
  return out;
}

std::string TextOf(const BiffWriter& w, const ConversionOptions& options = Shown()) {
  const Extracted out = Extract(w.bytes(), options);
  EXPECT_GE(out.code, 0);
  return out.text;
}

// A workbook of one visible sheet per body, named "A", "B", ...; `globals`
// adds records to the globals (formats, XFs, DATEMODE).
BiffWriter Sheets(std::initializer_list<std::u16string_view> sst,
                  const std::vector<std::function<void(BiffWriter&)>>& bodies,
                  const std::function<void(BiffWriter&)>& globals = {},
                  const std::vector<std::uint8_t>& visibility = {}) {
  BiffWriter w;
  w.Bof(kBofGlobals);
  if (globals) globals(w);
  std::vector<std::size_t> handles;
  for (std::size_t i = 0; i < bodies.size(); ++i) {
    const char16_t name[] = {static_cast<char16_t>(u'A' + i), 0};
    handles.push_back(w.BoundSheet(name, 0, i < visibility.size() ? visibility[i] : 0));
  }
  w.Sst(sst);
  w.Eof();
  for (std::size_t i = 0; i < bodies.size(); ++i) {
    w.StartSheet(handles[i]);
    bodies[i](w);
    w.Eof();
  }
  return w;
}

BiffWriter OneSheet(std::initializer_list<std::u16string_view> sst,
                    const std::function<void(BiffWriter&)>& body,
                    const std::function<void(BiffWriter&)>& globals = {}) {
  return Sheets(sst, {body}, globals);
}

void FormulaNumber(BiffWriter& w, std::uint16_t row, std::uint16_t column, std::uint16_t xf,
                   double value) {
  std::uint8_t result[8];
  std::memcpy(result, &value, sizeof result);
  w.Formula(row, column, xf, std::span<const std::uint8_t, 8>(result));
}

std::vector<std::uint8_t> InCompoundFile(const BiffWriter& w) {
  const std::span<const std::uint8_t> stream = w.bytes();
  return testing::WriteCompoundFile({{u"Workbook", {stream.begin(), stream.end()}}});
}

class XlsAsShownTest : public ::testing::Test {
 protected:
  void SetUp() override { SetRegionalSettings(RegionalSettings{}); }
};

// --- Cells as shown -------------------------------------------------------------

// XF 0 General, XF 1 "0.00", XF 2 the built-in 0%, XF 3 "yyyy-mm-dd", XF 4 a
// code whose text section puts the text between angle brackets.
void Formats(BiffWriter& w) {
  w.Format(164, u"0.00");
  w.Format(165, u"yyyy-mm-dd");
  w.Format(166, u"0;-0;0;\"<\"@\">\"");
  w.XF(0);
  w.XF(164);
  w.XF(9);
  w.XF(165);
  w.XF(166);
}

TEST_F(XlsAsShownTest, NumbersAndFormulaResultsGoThroughTheirCellsFormat) {
  const BiffWriter w = OneSheet({}, [](BiffWriter& s) {
    s.Number(0, 0, 0, 3.14159);
    s.Number(0, 1, 1, 3.14159);
    s.RK(0, 2, 2, (1u << 2) | 0x03);  // 0.01
    s.Number(0, 3, 3, 45306);
    FormulaNumber(s, 1, 0, 0, 2.5);
    FormulaNumber(s, 1, 1, 1, 2.5);
    FormulaNumber(s, 1, 2, 2, 0.25);
    FormulaNumber(s, 1, 3, 3, 45307);
  }, Formats);
  EXPECT_EQ(TextOf(w), "3.14159\t3.14\t1%\t2024-01-15\r\n2.5\t2.50\t25%\t2024-01-16\r\n");
}

TEST_F(XlsAsShownTest, DatesFollowTheWorkbooksDateSystem) {
  const auto body = [](BiffWriter& s) { s.Number(0, 0, 3, 0); };
  EXPECT_EQ(TextOf(OneSheet({}, body,
                            [](BiffWriter& g) {
                              g.DateMode(1);
                              Formats(g);
                            })),
            "1904-01-01\r\n");
  EXPECT_EQ(TextOf(OneSheet({}, [](BiffWriter& s) { s.Number(0, 0, 3, 1); }, Formats)),
            "1900-01-01\r\n");
}

TEST_F(XlsAsShownTest, BooleansAndErrorsShowTheirTextStoredOrComputed) {
  const BiffWriter w = OneSheet({}, [](BiffWriter& s) {
    s.BoolErr(0, 0, 1, false);
    s.BoolErr(0, 1, 0, false);
    s.BoolErr(0, 2, 0x07, true);
    s.BoolErr(0, 3, 0x00, true);
    s.BoolErr(0, 4, 0x2A, true);
    s.BoolErr(0, 5, 0x1D, true);
    s.FormulaSpecial(1, 0, 1, 1);
    s.FormulaSpecial(1, 1, 1, 0);
    s.FormulaSpecial(1, 2, 2, 0x0F);
    s.FormulaSpecial(1, 3, 2, 0x00);
    s.FormulaSpecial(1, 4, 2, 0x17);
    s.FormulaSpecial(1, 5, 2, 0x24);
    s.FormulaSpecial(1, 6, 2, 0x2B);
  });
  EXPECT_EQ(TextOf(w),
            "TRUE\tFALSE\t#DIV/0!\t#NULL!\t#N/A\t#NAME?\t\r\n"
            "TRUE\tFALSE\t#VALUE!\t#NULL!\t#REF!\t#NUM!\t#GETTING_DATA\r\n");
  // The default layout keeps writing them as numbers, #NULL! as nothing.
  EXPECT_EQ(TextOf(w, {}), "A\r\n1\t0\t7\t\t42\t29\r\n1\t0\t15\t\t23\t36\t43\r\n\r\n");
}

TEST_F(XlsAsShownTest, TextsGoThroughTheTextSectionAndEmptyTextsShowNothing) {
  const BiffWriter w = OneSheet({u"shared", u""}, [](BiffWriter& s) {
    s.LabelSst(0, 0, 0, 0);
    s.LabelSst(0, 1, 4, 0);
    s.LabelSst(0, 2, 4, 1);
    s.Label(1, 0, u"label");
    s.FormulaSpecial(1, 1, 0, 0);
    s.String(u"result");
    s.FormulaSpecial(1, 2, 3, 0);  // an empty result
    s.FormulaSpecial(1, 3, 0, 0);  // a string result whose STRING is missing
    s.Number(1, 4, 4, 7);
  }, Formats);
  EXPECT_EQ(TextOf(w), "shared\t<shared>\t\t\t\r\nlabel\tresult\t\t\t7\r\n");
}

// --- The grid -------------------------------------------------------------------

TEST_F(XlsAsShownTest, LineKIsRowKAndEveryLineHasTheWidestRowsFields) {
  const BiffWriter w = OneSheet({}, [](BiffWriter& s) {
    s.Number(1, 1, 0, 1);
    s.Blank(2, 5, 0);
    s.Number(4, 0, 0, 2);
    s.Number(4, 3, 0, 3);
  });
  EXPECT_EQ(TextOf(w), "\t\t\t\r\n\t1\t\t\r\n\t\t\t\r\n\t\t\t\r\n2\t\t\t3\r\n");
}

TEST_F(XlsAsShownTest, FieldsWithSeparatorQuoteOrLineBreakAreQuoted) {
  const BiffWriter w = OneSheet({u"a\tb", u"say \"hi\""}, [](BiffWriter& s) {
    s.LabelSst(0, 0, 0, 0);
    s.LabelSst(0, 1, 0, 1);
    s.Label(0, 2, u"one\ntwo");
    s.Label(0, 3, u"cr\rlf\r\n");
    s.Label(0, 4, u"a,b");
  });
  EXPECT_EQ(TextOf(w), "\"a\tb\"\t\"say \"\"hi\"\"\"\t\"one\ntwo\"\t\"cr\rlf\r\n\"\ta,b\r\n");
  EXPECT_EQ(TextOf(w, Csv()), "a\tb,\"say \"\"hi\"\"\",\"one\ntwo\",\"cr\rlf\r\n\",\"a,b\"\r\n");
  // The conversion keeps the breaks inside fields; the default layout writes
  // every break as CR LF.
  OutputBlock block;
  const std::vector<std::uint8_t> file = InCompoundFile(w);
  const ResultCode code = ConvertWorkbookBuffer(file, block, 65001, Csv());
  ASSERT_GE(code, 0);
  EXPECT_EQ(block.substr(0, static_cast<std::size_t>(code)),
            "\xEF\xBB\xBF" "a\tb,\"say \"\"hi\"\"\",\"one\ntwo\",\"cr\rlf\r\n\",\"a,b\"\r\n");
  const ResultCode plain = ConvertWorkbookBuffer(file, block, 65001);
  ASSERT_GE(plain, 0);
  EXPECT_EQ(block.substr(0, static_cast<std::size_t>(plain)),
            "\xEF\xBB\xBF" "A\r\na\tb\tsay \"hi\"\tone\r\ntwo\tcr\r\nlf\r\n\ta,b\r\n\r\n");
}

// Cells out of row and column order are laid out from the whole cell list;
// of two cells at one place the later record is the one shown.
TEST_F(XlsAsShownTest, CellsOutOfOrderAndRepeatedPlacesGiveTheSameGrid) {
  const auto inOrder = OneSheet({}, [](BiffWriter& s) {
    s.Number(0, 0, 1, 1);
    s.Label(0, 1, u"x");
    s.Number(2, 2, 0, 3);
  }, Formats);
  const auto reversed = OneSheet({}, [](BiffWriter& s) {
    s.Number(2, 2, 0, 3);
    s.Number(0, 1, 0, 99);
    s.Label(0, 1, u"x");
    s.Number(0, 0, 1, 1);
  }, Formats);
  const auto repeated = OneSheet({}, [](BiffWriter& s) {
    s.Number(0, 0, 1, 1);
    s.Label(0, 1, u"x");
    s.Number(2, 2, 0, 3);
    s.Number(2, 2, 0, 4);
    s.Blank(0, 0, 0);
  }, Formats);
  const std::string expected = "1.00\tx\t\r\n\t\t\r\n\t\t3\r\n";
  EXPECT_EQ(TextOf(inOrder), expected);
  EXPECT_EQ(TextOf(reversed), expected);
  EXPECT_EQ(TextOf(repeated), "\tx\t\r\n\t\t\r\n\t\t4\r\n");
}

TEST_F(XlsAsShownTest, SeveralSheetsAreHeadedOneIsNot) {
  const auto one = [](BiffWriter& s) { s.Number(0, 0, 0, 1); };
  const auto two = [](BiffWriter& s) { s.Label(1, 1, u"b"); };
  EXPECT_EQ(TextOf(Sheets({}, {one})), "1\r\n");
  EXPECT_EQ(TextOf(Sheets({}, {one, two})), "A\r\n1\r\n\r\nB\r\n\t\r\n\tb\r\n\r\n");
  ConversionOptions comma = Shown();
  comma.separator = ';';
  EXPECT_EQ(TextOf(Sheets({}, {two}), comma), ";\r\n;b\r\n");
}

// --- Chosen sheets and CSV --------------------------------------------------------

TEST_F(XlsAsShownTest, SheetsAreChosenByNumberOrNameInBothLayouts) {
  const BiffWriter w = Sheets({}, {[](BiffWriter& s) { s.Number(0, 0, 0, 1); },
                                   [](BiffWriter& s) { s.Number(0, 0, 0, 2); },
                                   [](BiffWriter& s) { s.Number(0, 0, 0, 3); }});
  ConversionOptions options = Shown();
  options.sheets = {SheetChoice{"", 2}};
  EXPECT_EQ(TextOf(w, options), "2\r\n");
  options.sheets = {SheetChoice{"c", 0}, SheetChoice{"A", 0}, SheetChoice{"", 3}};
  EXPECT_EQ(TextOf(w, options), "C\r\n3\r\n\r\nA\r\n1\r\n\r\n");
  ConversionOptions plain;
  plain.sheets = {SheetChoice{"B", 0}};
  EXPECT_EQ(TextOf(w, plain), "B\r\n2\r\n\r\n");

  for (const SheetChoice& missing : {SheetChoice{"", 4}, SheetChoice{"D", 0}}) {
    for (const Layout layout : {Layout::kDefault, Layout::kAsShown, Layout::kCsv}) {
      ConversionOptions choice;
      choice.layout = layout;
      choice.sheets = {SheetChoice{"A", 0}, missing};
      EXPECT_EQ(Extract(w.bytes(), choice).code, kSheetNotFound);
    }
  }
}

TEST_F(XlsAsShownTest, CsvWithMoreThanOneSheetWithTextIsRefused) {
  const auto filled = [](BiffWriter& s) { s.Number(0, 0, 0, 1); };
  const auto empty = [](BiffWriter& s) { s.Blank(0, 0, 0); };
  EXPECT_EQ(Extract(Sheets({}, {filled, filled}).bytes(), Csv()).code, kSeveralSheets);
  EXPECT_EQ(TextOf(Sheets({}, {empty, filled}), Csv()), "1\r\n");
  ConversionOptions first = Csv();
  first.sheets = {SheetChoice{"", 2}};
  EXPECT_EQ(TextOf(Sheets({}, {filled, filled}), first), "1\r\n");
  // The conversion leaves the block as it was.
  OutputBlock block = "kept";
  EXPECT_EQ(ConvertWorkbookBuffer(InCompoundFile(Sheets({}, {filled, filled})), block, 65001,
                                  Csv()),
            kSeveralSheets);
  EXPECT_EQ(block, "kept");
}

// --- Hidden sheets, rows and columns -----------------------------------------------

TEST_F(XlsAsShownTest, HiddenSheetsAreLeftOutUnlessChosen) {
  const auto cell = [](double v) { return [v](BiffWriter& s) { s.Number(0, 0, 0, v); }; };
  // B hidden, C very hidden.
  const BiffWriter w = Sheets({}, {cell(1), cell(2), cell(3), cell(4)}, {}, {0, 1, 2, 0});
  ConversionOptions options = Shown();
  EXPECT_EQ(TextOf(w, options), "A\r\n1\r\n\r\nB\r\n2\r\n\r\nC\r\n3\r\n\r\nD\r\n4\r\n\r\n");
  options.skipHiddenSheets = true;
  EXPECT_EQ(TextOf(w, options), "A\r\n1\r\n\r\nD\r\n4\r\n\r\n");
  ConversionOptions plain;
  plain.skipHiddenSheets = true;
  EXPECT_EQ(TextOf(w, plain), "A\r\n1\r\n\r\nD\r\n4\r\n\r\n");
  // Numbers count the hidden sheets; a chosen hidden sheet is written.
  options.sheets = {SheetChoice{"", 3}};
  EXPECT_EQ(TextOf(w, options), "3\r\n");
}

// Rows 1 and 3 and columns 1 to 2 hidden; cells in them are left out and what
// follows closes up, in both layouts.
void HiddenLinesSheet(BiffWriter& s) {
  s.ColInfo(1, 2, true);
  s.ColInfo(4, 4, false);
  for (std::uint16_t row = 0; row < 5; ++row) s.Row(row, row == 1 || row == 3);
  for (std::uint16_t row = 0; row < 5; ++row)
    for (std::uint16_t column = 0; column < 4; ++column) s.Number(row, column, 0, row * 10 + column);
}

TEST_F(XlsAsShownTest, HiddenRowsAndColumnsAreLeftOutWhenAsked) {
  const BiffWriter w = OneSheet({}, HiddenLinesSheet);
  const std::string all = "0\t1\t2\t3\r\n10\t11\t12\t13\r\n20\t21\t22\t23\r\n30\t31\t32\t33\r\n"
                          "40\t41\t42\t43\r\n";
  EXPECT_EQ(TextOf(w), all);
  EXPECT_EQ(TextOf(w, {}), "A\r\n" + all + "\r\n");
  for (const Layout layout : {Layout::kDefault, Layout::kAsShown}) {
    ConversionOptions options;
    options.layout = layout;
    const std::string heading = layout == Layout::kDefault ? "A\r\n" : "";
    const std::string end = layout == Layout::kDefault ? "\r\n" : "";
    options.skipHiddenRows = true;
    EXPECT_EQ(TextOf(w, options), heading + "0\t1\t2\t3\r\n20\t21\t22\t23\r\n40\t41\t42\t43\r\n" + end);
    options.skipHiddenColumns = true;
    EXPECT_EQ(TextOf(w, options), heading + "0\t3\r\n20\t23\r\n40\t43\r\n" + end);
    options.skipHiddenRows = false;
    EXPECT_EQ(TextOf(w, options), heading + "0\t3\r\n10\t13\r\n20\t23\r\n30\t33\r\n40\t43\r\n" + end);
  }
}

// A row whose first cells stand in hidden columns still begins a line of its
// own with its first cell written; a row whose cells are all hidden writes no
// line in the default layout and an empty one as shown.
TEST_F(XlsAsShownTest, RowsBeginningInHiddenColumnsKeepTheirLines) {
  const BiffWriter w = OneSheet({}, [](BiffWriter& s) {
    s.ColInfo(0, 0, true);
    s.Number(0, 0, 0, 1);
    s.Number(0, 2, 0, 2);
    s.Number(1, 0, 0, 3);
    s.Label(1, 2, u"four");
    s.Number(2, 0, 0, 5);
    s.Number(3, 1, 0, 6);
  });
  ConversionOptions options;
  options.skipHiddenColumns = true;
  EXPECT_EQ(TextOf(w, options), "A\r\n\t2\r\n\tfour\r\n6\r\n\r\n");
  options.layout = Layout::kAsShown;
  EXPECT_EQ(TextOf(w, options), "\t2\r\n\tfour\r\n\t\r\n6\t\r\n");
}

// A hidden row stays hidden when it has no cells (the grid closes up over it)
// and when its ROW record comes after cells (the sheet is read again whole).
TEST_F(XlsAsShownTest, HiddenRowsWithoutCellsOrAfterTheirCellsCloseUp) {
  ConversionOptions options = Shown();
  options.skipHiddenRows = true;
  const BiffWriter gap = OneSheet({}, [](BiffWriter& s) {
    s.Row(1, true);
    s.Number(0, 0, 0, 1);
    s.Number(3, 0, 0, 2);
  });
  EXPECT_EQ(TextOf(gap, options), "1\r\n\r\n2\r\n");
  const BiffWriter late = OneSheet({}, [](BiffWriter& s) {
    s.Number(0, 0, 0, 1);
    s.Label(1, 0, u"hidden");
    s.Number(2, 0, 0, 2);
    s.Row(1, true);
    s.ColInfo(1, 1, true);
  });
  options.skipHiddenColumns = true;
  EXPECT_EQ(TextOf(late, options), "1\r\n2\r\n");
  options.layout = Layout::kDefault;
  EXPECT_EQ(TextOf(late, options), "A\r\n1\r\n2\r\n\r\n");
}

// Every cut of a workbook ends cleanly in every layout: with a result code
// that is the text's length, or one of the layouts' own outcomes.
TEST_F(XlsAsShownTest, CutWorkbooksEndCleanlyInEveryLayout) {
  const BiffWriter w = Sheets({u"s"}, {[](BiffWriter& s) {
                                         s.ColInfo(0, 0, true);
                                         s.Row(1, true);
                                         s.Number(1, 1, 1, 2);
                                         s.LabelSst(0, 2, 4, 0);
                                         s.FormulaSpecial(0, 3, 0, 0);
                                         s.String(u"text");
                                         s.Row(0, true);
                                         s.BoolErr(2, 0, 1, false);
                                       },
                                       [](BiffWriter& s) { s.Number(0, 0, 3, 45306); }},
                              Formats, {0, 1});
  std::vector<ConversionOptions> layouts = {Shown(), Csv(), {}};
  for (ConversionOptions& options : layouts) {
    options.skipHiddenRows = options.skipHiddenColumns = true;
  }
  layouts.push_back(Csv());
  layouts.back().sheets = {SheetChoice{"B", 0}};
  const std::span<const std::uint8_t> all = w.bytes();
  for (const ConversionOptions& options : layouts) {
    for (std::size_t n = 0; n <= all.size(); ++n) {
      std::string text;
      ResultCode code = 0;
      ASSERT_NO_THROW(code = ExtractWorkbookStreamText(all.first(n), text, kUnnamedWorksheet,
                                                       options))
          << n;
      if (code >= 0) {
        EXPECT_EQ(static_cast<std::size_t>(code), text.size()) << n;
      } else {
        EXPECT_TRUE(code == kSeveralSheets || code == kSheetNotFound) << n << ": " << code;
      }
    }
  }
}

// --- Earlier versions ------------------------------------------------------------

TEST_F(XlsAsShownTest, Biff5CellsFormatsAndHiddenContentAsInBiff8) {
  EarlierBiffWriter w;
  w.Bof5(kBofGlobals);
  w.Format5(164, "0.00");
  w.XF5(0);
  w.XF5(164);
  const auto one = w.BoundSheet5("One");
  const auto two = w.BoundSheet5("Two", 0, 1);
  w.Eof();
  w.StartSheet5(one);
  w.ColInfo(1, 1, true);
  w.Row(1, true);
  w.Number(0, 0, 1, 2);
  w.BoolErr(0, 2, 1, false);
  w.Label5(1, 0, 0, "x");
  w.FormulaSpecial(2, 0, 2, 0x07);
  w.Eof();
  w.StartSheet5(two);
  w.Number(0, 0, 0, 5);
  w.Eof();
  ConversionOptions options = Shown();
  EXPECT_EQ(TextOf(w, options), "One\r\n2.00\t\tTRUE\r\nx\t\t\r\n#DIV/0!\t\t\r\n\r\nTwo\r\n5\r\n\r\n");
  options.skipHiddenSheets = options.skipHiddenRows = options.skipHiddenColumns = true;
  EXPECT_EQ(TextOf(w, options), "2.00\tTRUE\r\n#DIV/0!\t\r\n");
}

TEST_F(XlsAsShownTest, Biff2FormatsByPositionAndRowsHiddenByZeroHeight) {
  EarlierBiffWriter w;
  w.Bof2(kBofWorksheet);
  for (const char* code : {"General", "0.00"}) w.Format2(code);
  w.Row2(0, 0x8000 | 255);
  w.Row2(1, 0);
  w.Number2(0, 0, Biff2Attributes{0, 1}, 1.5);
  w.BoolErr2(0, 1, Biff2Attributes{}, 0x2A, true);
  w.Integer2(1, 0, Biff2Attributes{0, 1}, 7);
  w.Label2(2, 1, Biff2Attributes{}, "z");
  w.Eof();
  ConversionOptions options = Shown();
  EXPECT_EQ(TextOf(w, options), "1.50\t#N/A\r\n7.00\t\r\n\tz\r\n");
  options.skipHiddenRows = true;
  EXPECT_EQ(TextOf(w, options), "1.50\t#N/A\r\n\tz\r\n");
}

// The short date ids show in the regional form whatever code a workbook stores
// for them; BIFF2 to BIFF4 number their FORMAT records by place, not by id.
TEST_F(XlsAsShownTest, ShortDateIdsKeepTheRegionalFormWhereFormatsHaveIds) {
  const BiffWriter eight = Sheets({}, {[](BiffWriter& w) { w.Number(0, 0, 0, 45292); }},
                                 [](BiffWriter& w) {
                                   w.Format(14, u"yyyy");
                                   w.XF(14);
                                 });
  EXPECT_EQ(TextOf(eight), "1/1/24\r\n");

  EarlierBiffWriter two;
  two.Bof2(kBofWorksheet);
  for (int i = 0; i < 14; ++i) two.Format2("General");
  two.Format2("yyyy");  // the fifteenth: format 14 by its place
  two.Number2(0, 0, Biff2Attributes{0, 14}, 45292);
  two.Eof();
  EXPECT_EQ(TextOf(two, Shown()), "2024\r\n");
}

// --- The sheet list -------------------------------------------------------------

TEST_F(XlsAsShownTest, SheetListGivesNamesAndVisibilityOfWorksheets) {
  BiffWriter w;
  w.Bof(kBofGlobals);
  const auto a = w.BoundSheet(u"Übersicht");
  w.BoundSheet(u"Chart", 2);
  const auto b = w.BoundSheet(u"\u4E2D", 0, 1);
  const auto c = w.BoundSheet(u"Deep", 0, 2);
  w.Eof();
  for (const auto sheet : {a, b, c}) {
    w.StartSheet(sheet);
    w.Eof();
  }
  std::vector<SheetInfo> sheets;
  ASSERT_EQ(ListWorkbookSheetsInBuffer(InCompoundFile(w), sheets), 3);
  ASSERT_EQ(sheets.size(), 3u);
  EXPECT_EQ(sheets[0].name, "\xC3\x9C" "bersicht");
  EXPECT_FALSE(sheets[0].hidden);
  EXPECT_EQ(sheets[1].name, "\xE4\xB8\xAD");
  EXPECT_TRUE(sheets[1].hidden);
  EXPECT_EQ(sheets[2].name, "Deep");
  EXPECT_TRUE(sheets[2].hidden);
}

TEST_F(XlsAsShownTest, SheetListOfWorksheetFilesAndFailures) {
  EarlierBiffWriter old;
  old.Bof2(kBofWorksheet);
  old.Eof();
  std::vector<SheetInfo> sheets;
  ASSERT_EQ(ListWorkbookSheetsInBuffer(old.bytes(), sheets), 1);
  EXPECT_EQ(sheets[0].name, "Sheet1");

  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  const std::filesystem::path path = dir / "tabulox_list_test_Budget.xls";
  {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(old.bytes().data()),
              static_cast<std::streamsize>(old.bytes().size()));
  }
  ASSERT_EQ(ListWorkbookSheets(path.string(), sheets), 1);
  EXPECT_EQ(sheets[0].name, "tabulox_list_test_Budget");
  std::filesystem::remove(path);

  sheets = {SheetInfo{"kept", false}};
  EXPECT_EQ(ListWorkbookSheets((dir / "tabulox_no_such_file.xls").string(), sheets),
            kSourceMissing);
  const std::vector<std::uint8_t> junk(600, 0x41);
  EXPECT_EQ(ListWorkbookSheetsInBuffer(junk, sheets), kFormatNotCorrect);
  BiffWriter encrypted;
  encrypted.Bof(kBofGlobals);
  encrypted.FilePass();
  encrypted.BoundSheet(u"S");
  encrypted.Eof();
  EXPECT_EQ(ListWorkbookSheetsInBuffer(InCompoundFile(encrypted), sheets), kSourceEncrypted);
  ASSERT_EQ(sheets.size(), 1u);
  EXPECT_EQ(sheets[0].name, "kept");
}

}  // namespace
}  // namespace tabulox
