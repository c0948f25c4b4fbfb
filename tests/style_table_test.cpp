#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/extraction_error.h"
#include "numfmt/regional_settings.h"
#include "xls/style_table.h"

namespace tabulox {
namespace {

struct BuiltInRow {
  int index;
  FormatKind kind;
  const char* code;
};

// What classification makes of the 36 built-in codes.
constexpr BuiltInRow kBuiltInRows[] = {
    {0, FormatKind::kGeneral, ""},
    {1, FormatKind::kNumber, "0"},
    {2, FormatKind::kNumber, "0.00"},
    {3, FormatKind::kNumber, "#,##0"},
    {4, FormatKind::kNumber, "#,##0.00"},
    {5, FormatKind::kNumber, "$#,##0 ;$#,##0"},
    {6, FormatKind::kNumber, "$#,##0 ;$#,##0"},
    {7, FormatKind::kNumber, "$#,##0.00 ;$#,##0.00"},
    {8, FormatKind::kNumber, "$#,##0.00 ;$#,##0.00"},
    {9, FormatKind::kPercent, "0%"},
    {10, FormatKind::kPercent, "0.00%"},
    {11, FormatKind::kNumber, "0.00E+00"},
    {12, FormatKind::kNumber, "# "},
    {13, FormatKind::kNumber, "# "},
    {14, FormatKind::kDateTime, "mm-dd-yy"},
    {15, FormatKind::kDateTime, "d-mmm-yy"},
    {16, FormatKind::kDateTime, "d-mmm"},
    {17, FormatKind::kDateTime, "mmm-yy"},
    {18, FormatKind::kDateTime, "h:mm AM/PM"},
    {19, FormatKind::kDateTime, "h:mm:ss AM/PM"},
    {20, FormatKind::kDateTime, "h:mm"},
    {21, FormatKind::kDateTime, "h:mm:ss"},
    {22, FormatKind::kDateTime, "m/d/yy h:mm"},
    {37, FormatKind::kNumber, "#,##0 ;#,##0"},
    {38, FormatKind::kNumber, "#,##0 ;#,##0"},
    {39, FormatKind::kNumber, "#,##0.00 ;#,##0.00"},
    {40, FormatKind::kNumber, "#,##0.00 ;#,##0.00"},
    {41, FormatKind::kNumber, "  #,##0 ;  #,##0;  \"-\" ;  "},
    {42, FormatKind::kNumber, " $ #,##0 ; $ #,##0; $ \"-\" ;  "},
    {43, FormatKind::kNumber, "  #,##0.00 ;  #,##0.00;  \"-\" ;  "},
    {44, FormatKind::kNumber, " $ #,##0.00 ; $ #,##0.00; $ \"-\" ;  "},
    {45, FormatKind::kDateTime, "mm:ss"},
    {46, FormatKind::kDateTime, ":mm:ss"},
    {47, FormatKind::kDateTime, "mm:ss.0"},
    {48, FormatKind::kNumber, "##0.0E+0"},
    {49, FormatKind::kGeneral, ""},
};

TEST(StyleTableBuiltIns, ClassifiedAsTheTableSays) {
  StyleTable styles;
  InitStyleData(styles);
  std::vector<bool> builtIn(kFormatSlotCount, false);
  for (const BuiltInRow& row : kBuiltInRows) {
    const FormatSlot& slot = styles.formats[static_cast<std::size_t>(row.index)];
    EXPECT_EQ(slot.kind, row.kind) << "index " << row.index;
    EXPECT_EQ(slot.code, row.code) << "index " << row.index;
    builtIn[static_cast<std::size_t>(row.index)] = true;
  }
  for (int i = 0; i < kFormatSlotCount; ++i) {
    if (builtIn[static_cast<std::size_t>(i)]) continue;
    EXPECT_EQ(styles.formats[static_cast<std::size_t>(i)].kind, FormatKind::kGeneral) << "index " << i;
    EXPECT_TRUE(styles.formats[static_cast<std::size_t>(i)].code.empty()) << "index " << i;
  }
}

struct ClassifyCase {
  const char* code;
  FormatKind kind;
  const char* stored;
};

void PrintTo(const ClassifyCase& c, std::ostream* os) { *os << "code [" << c.code << "]"; }

class Classification : public ::testing::TestWithParam<ClassifyCase> {};

// Classifies into a slot without a built-in code; a code that is not stored
// leaves the slot General and empty.
TEST_P(Classification, StoresKindAndCode) {
  const ClassifyCase& c = GetParam();
  StyleTable styles;
  InitStyleData(styles);
  ClassifyFormatCode(164, c.code, styles);
  EXPECT_EQ(styles.formats[164].kind, c.kind);
  EXPECT_EQ(styles.formats[164].code, c.stored);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, Classification,
    ::testing::Values(
        ClassifyCase{"General", FormatKind::kGeneral, ""},
        ClassifyCase{"0.00 \"General\"", FormatKind::kGeneral, ""},
        ClassifyCase{"@", FormatKind::kGeneral, ""},
        ClassifyCase{"[Red]", FormatKind::kGeneral, ""},
        ClassifyCase{"_(* ? _)", FormatKind::kGeneral, ""},
        ClassifyCase{"[Red]0.00;[Blue]-0.00", FormatKind::kNumber, "0.00;-0.00"},
        ClassifyCase{"0\\%", FormatKind::kPercent, "0%"},
        ClassifyCase{"0.0%;(0.0%)", FormatKind::kPercent, "0.0%;0.0%"},
        ClassifyCase{"# ?/?", FormatKind::kNumber, "# "},
        ClassifyCase{"#,##0 \\k\\g", FormatKind::kNumber, "#,##0 kg"},
        ClassifyCase{"YYYY-MM-DD", FormatKind::kNumber, "YYYY-MM-DD"},
        ClassifyCase{"0 \"mm\"", FormatKind::kDateTime, "0 mm"},  // an "m" in quotes makes it a date
        ClassifyCase{"[$-409]h:mm:ss AM/PM;@", FormatKind::kDateTime, "h:mm:ss AM/PM"},
        ClassifyCase{"[h]:mm:ss", FormatKind::kDateTime, ":mm:ss"},
        ClassifyCase{"yyyy\"年\"m\"月\"d\"日\"", FormatKind::kDateTime, "yyyy年m月d日"},
        ClassifyCase{"dd/mm/yyyy;\"x\"", FormatKind::kDateTime, "dd/mm/yyyy"},
        ClassifyCase{"aaaa", FormatKind::kDateTime, "dddd"},
        ClassifyCase{"0.00 \"a\";0", FormatKind::kDateTime, "0.00 d"},
        ClassifyCase{"0 [unclosed", FormatKind::kNumber, "0 "},
        ClassifyCase{"0]x[y", FormatKind::kNumber, "0]x"}));

TEST(StyleTableClassification, WorkbookCodesReplaceBuiltInsOnlyWhenTheyClassify) {
  StyleTable styles;
  InitStyleData(styles);
  ClassifyFormatCode(14, "yyyy-mm-dd", styles);
  EXPECT_EQ(styles.formats[14].code, "yyyy-mm-dd");
  ClassifyFormatCode(14, "General", styles);
  EXPECT_EQ(styles.formats[14].code, "yyyy-mm-dd");
  ClassifyFormatCode(14, "[Red]  ", styles);
  EXPECT_EQ(styles.formats[14].code, "yyyy-mm-dd");
  ClassifyFormatCode(400, "0.00", styles);  // no slot: nothing stored, nothing broken
  ClassifyFormatCode(-1, "0.00", styles);
}

TEST(StyleTableClassification, GeneralInAnyLetterCaseIsTheGeneralForm) {
  StyleTable styles;
  InitStyleData(styles);
  for (const char* code : {"GENERAL", "general", "[Red]GeNeRaL"}) ClassifyFormatCode(164, code, styles);
  const int xf = AddXF(styles, XfEntry{0, 164});
  std::string out;
  RenderNumber(styles, xf, 99, out);
  out += ' ';
  RenderNumber(styles, xf, 0.5, out);
  EXPECT_EQ(out, "99 0.5");
}

TEST(StyleTableRecords, FormatRecordsIn8BitAndUtf16Form) {
  StyleTable styles;
  InitStyleData(styles);
  const std::vector<std::uint8_t> narrow = {0xA4, 0x00, 0x06, 0x00, 0x00,
                                            '0', '.', '0', ' ', 0xB0, 'C'};
  ByteReader in(narrow);
  FormatRecord format;
  ASSERT_TRUE(ReadFormatRecord(in, kRecordFormat, format));
  AddFormat(styles, format);
  EXPECT_EQ(styles.formats[164].kind, FormatKind::kNumber);
  EXPECT_EQ(styles.formats[164].code, "0.0 \xC2\xB0" "C");

  const std::vector<std::uint8_t> wide = {0xA5, 0x00, 0x03, 0x00, 0x01,
                                          '0',  0x00, ' ',  0x00, 0xAC, 0x20};
  ByteReader inWide(wide);
  ASSERT_TRUE(ReadFormatRecord(inWide, kRecordFormat, format));
  AddFormat(styles, format);
  EXPECT_EQ(styles.formats[165].code, "0 \xE2\x82\xAC");

  ByteReader other(narrow);
  EXPECT_FALSE(ReadFormatRecord(other, 0x0031, format));
  EXPECT_EQ(other.position(), 0u);

  const std::vector<std::uint8_t> cut = {0xA4, 0x00, 0x09, 0x00, 0x00, '0'};
  ByteReader inCut(cut);
  EXPECT_THROW(ReadFormatRecord(inCut, kRecordFormat, format), ExtractionError);
}

class RenderRoutes : public ::testing::Test {
 protected:
  void SetUp() override {
    SetRegionalSettings(RegionalSettings{});
    InitStyleData(styles_);
  }

  // Appends an XF naming the format index; returns its XF index.
  int Xf(std::uint16_t formatIndex) {
    XfEntry xf;
    xf.formatIndex = formatIndex;
    return AddXF(styles_, xf);
  }

  std::string Render(int xfIndex, double value) {
    std::string out = "|";
    RenderNumber(styles_, xfIndex, value, out);
    return out.substr(1);
  }

  StyleTable styles_;
};

TEST_F(RenderRoutes, EachKindGoesItsOwnWay) {
  EXPECT_EQ(Render(Xf(0), 1234.5), "1234.5");
  EXPECT_EQ(Render(Xf(4), 1234.5), "1,234.50");
  EXPECT_EQ(Render(Xf(7), -1234.5), "$1,234.50");
  EXPECT_EQ(Render(Xf(10), 0.1234), "12.34%");
  EXPECT_EQ(Render(Xf(9), -0.5), "-50%");
  EXPECT_EQ(Render(Xf(11), 12345), "1.23E+04");
  EXPECT_EQ(Render(Xf(14), 39448), "01-01-08");
  EXPECT_EQ(Render(Xf(22), 39448.75), "1/1/08 18:00");
  EXPECT_EQ(Render(Xf(46), 0.5), ":12:00");
  EXPECT_EQ(Render(Xf(49), 7.25), "7.25");
  EXPECT_EQ(Render(Xf(23), 7.25), "7.25");  // no built-in code
}

TEST_F(RenderRoutes, PercentIsFormedInExtendedPrecision) {
  ClassifyFormatCode(164, "0.0000000000000000%", styles_);
  // 0.1234 * 100 rounds to 12.34 in double but stays below it in extended
  // precision.
  EXPECT_EQ(Render(Xf(164), 0.1234), "12.3399999999999996%");
  ClassifyFormatCode(165, "0\\%", styles_);
  EXPECT_EQ(Render(Xf(165), 0.5), "50%");
}

TEST_F(RenderRoutes, UnknownXfAndFormatIndicesAreGeneral) {
  Xf(4);
  EXPECT_EQ(Render(1, 1234.5), "1234.5");
  EXPECT_EQ(Render(-1, 1234.5), "1234.5");
  EXPECT_EQ(Render(Xf(400), 1234.5), "1234.5");
  EXPECT_EQ(Render(Xf(0xFFFF), 1234.5), "1234.5");
}

TEST_F(RenderRoutes, FormatsMayArriveAfterTheirXf) {
  const int xf = Xf(170);
  EXPECT_EQ(Render(xf, 2.5), "2.5");
  ClassifyFormatCode(170, "0.00", styles_);
  EXPECT_EQ(Render(xf, 2.5), "2.50");
}

// Each slot keeps its code read once; these catch a read code that goes stale
// or leaks from one value, XF or slot into another.
TEST_F(RenderRoutes, XfsSharingAFormatRenderThroughTheSameCode) {
  ClassifyFormatCode(164, "#,##0.00;[Red](#,##0.00);\"zero\"", styles_);
  const int first = Xf(164);
  const int second = Xf(164);
  EXPECT_EQ(Render(first, 1234.5), "1,234.50");
  EXPECT_EQ(Render(second, -1234.5), "1,234.50");
  EXPECT_EQ(Render(first, 0), "zero");
  EXPECT_EQ(Render(second, 0.001), "zero");  // rounds to nothing: the zero section
  EXPECT_EQ(Render(first, 7), "7.00");
}

TEST_F(RenderRoutes, ARedefinedSlotRendersThroughItsNewCode) {
  const int xf = Xf(164);
  ClassifyFormatCode(164, "0.000", styles_);
  EXPECT_EQ(Render(xf, 2.5), "2.500");
  ClassifyFormatCode(164, "yyyy-mm-dd", styles_);
  EXPECT_EQ(Render(xf, 39448), "2008-01-01");
  ClassifyFormatCode(164, "0%", styles_);
  EXPECT_EQ(Render(xf, 0.25), "25%");
  ClassifyFormatCode(164, "#,##0", styles_);
  EXPECT_EQ(Render(xf, 39448), "39,448");
  ClassifyFormatCode(164, "General", styles_);  // ignored: the slot keeps "#,##0"
  EXPECT_EQ(Render(xf, 1234.5), "1,235");
  // A built-in slot redefined by the workbook.
  const int builtIn = Xf(4);
  ClassifyFormatCode(4, "0.0", styles_);
  EXPECT_EQ(Render(builtIn, 1234.56), "1234.6");
}

TEST_F(RenderRoutes, ResettingTheTableForgetsReadCodes) {
  ClassifyFormatCode(164, "0.000", styles_);
  InitStyleData(styles_);
  EXPECT_EQ(Render(Xf(164), 2.5), "2.5");
  EXPECT_EQ(Render(Xf(4), 1234.5), "1,234.50");
}

// Restoring only the slots classified since the last reset gives the table a
// fresh one has, built-in ids overwritten and General codes included.
TEST(StyleTableReset, RestoresExactlyTheFreshTable) {
  StyleTable fresh;
  InitStyleData(fresh);
  StyleTable reused;
  InitStyleData(reused);
  for (int round = 0; round < 3; ++round) {
    ClassifyFormatCode(14, "yyyy", reused);
    ClassifyFormatCode(4, "General", reused);
    reused.formats[3] = FormatSlot{};
    ClassifyFormatCode(3, "0.0%", reused);
    ClassifyFormatCode(200 + round, "0.000", reused);
    AddXF(reused, XfEntry{0, 14});
    InitStyleData(reused);
    EXPECT_TRUE(reused.xfs.empty());
    for (int slot = 0; slot < kFormatSlotCount; ++slot) {
      EXPECT_EQ(reused.formats[slot].kind, fresh.formats[slot].kind) << slot;
      EXPECT_EQ(reused.formats[slot].code, fresh.formats[slot].code) << slot;
    }
  }
}

TEST_F(RenderRoutes, DateSystem1904MovesDatesOntoThe1900Base) {
  const int xf = Xf(14);
  styles_.dateSystem = DateSystem::k1904;
  EXPECT_EQ(Render(xf, 39448 - 1462), "01-01-08");
  // Numbers are not dates: they keep their value.
  EXPECT_EQ(Render(Xf(2), 36524), "36524.00");
  styles_.dateSystem = DateSystem::k1900;
  EXPECT_EQ(Render(xf, 39448 - 1462), "12-31-03");
}

// A number or percent code longer than the patterns take, after the
// reduction, gives the General form; one of that length is applied.
TEST_F(RenderRoutes, LongNumberCodesGiveGeneralForm) {
  const std::string longCode(224, '0');
  ClassifyFormatCode(164, longCode, styles_);
  EXPECT_EQ(Render(Xf(164), 1).size(), 224u);
  ClassifyFormatCode(165, longCode + "0", styles_);
  EXPECT_EQ(Render(Xf(165), 1.5), "1.5");
  ClassifyFormatCode(166, longCode + "%", styles_);
  EXPECT_EQ(Render(Xf(166), 0.25), "0.25");
  ClassifyFormatCode(168, "[Red]" + longCode + "\\", styles_);  // 224 bytes once reduced
  EXPECT_EQ(Render(Xf(168), 1).size(), 224u);
  // Date/time codes have no such limit; their text is cut instead.
  ClassifyFormatCode(167, std::string(300, 'm'), styles_);
  EXPECT_EQ(Render(Xf(167), 39448), "January");
}

}  // namespace
}  // namespace tabulox
