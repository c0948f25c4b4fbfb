// The as-shown renderer. The expected texts are what a spreadsheet application
// shows for each value and code; where two applications differ, the comment
// says which behaviour the renderer follows.
#include "numfmt/shown_format.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <iomanip>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "numfmt/built_in_formats.h"
#include "numfmt/decimal_digits.h"
#include "numfmt/format_section.h"
#include "numfmt/regional_format_codes.h"
#include "numfmt/regional_settings.h"
#include "numfmt/section_renderers.h"
#include "numfmt/shown_format_table.h"
#include "numfmt/shown_fraction.h"

namespace tabulox {
namespace {

struct Case {
  const char* code;
  double value;
  const char* expected;
};

std::string Shown(std::string_view code, double value, DateSystem system = DateSystem::k1900) {
  std::string out;
  ShownFormat(code).AppendNumber(value, system, out);
  return out;
}

std::string ShownText(std::string_view code, std::string_view text) {
  std::string out;
  ShownFormat(code).AppendText(text, out);
  return out;
}

class ShownFormatTest : public ::testing::Test {
 protected:
  void SetUp() override { SetRegionalSettings(RegionalSettings{}); }
  void TearDown() override { SetRegionalSettings(RegionalSettings{}); }

  static void ExpectAll(const std::vector<Case>& cases, DateSystem system = DateSystem::k1900) {
    for (const Case& c : cases)
      EXPECT_EQ(Shown(c.code, c.value, system), c.expected) << "code [" << c.code << "] value " << c.value;
  }
};

TEST_F(ShownFormatTest, DigitPlaceholders) {
  ExpectAll({
      {"0", 1.5, "2"},
      {"0.00", 2.675, "2.68"},  // the 15 digits shown are 2.67500000000000
      {"#.##", 0.5, ".5"},
      {"?.??", 0.5, " .5 "},
      {"0.0#", 1.5, "1.5"},
      {"#", 0, ""},
      {"#,###", 0, ""},
      {"000-00-0000", 123456789, "123-45-6789"},
      {"(###) ###-####", 5551234567, "(555) 123-4567"},
      {"##-##", 5, "-5"},
      {"0000000000000000000000000000000000000000", 1, "0000000000000000000000000000000000000001"},
      {"0", 123456789012345678.0, "123456789012346000"},
      {"0.00000000000000000000", 0.30000000000000004, "0.30000000000000000000"},
      {"0.00", 1e-20, "0.00"},
      {"0.00 x", 1, "1.00 x"},
      // The decimal point stays when no decimal place is shown.
      {"#.##", 5, "5."},
      {"0.##", 0.999, "1."},
  });
}

TEST_F(ShownFormatTest, RoundingHalfAwayFromZeroOnTheShownDigits) {
  ExpectAll({
      {"0", 0.5, "1"},
      {"0", 2.5, "3"},
      {"0", -2.5, "-3"},
      {"0.0", 0.05, "0.1"},
      {"0.0", 1.45, "1.5"},
      {"0.0", 0.15, "0.2"},
      {"0.00", 1.005, "1.01"},
      {"0.000", 1.0005, "1.001"},
      {"#,##0.00", 1234567.895, "1,234,567.90"},
      {"0.00", 9.995, "10.00"},
      {"0", 4.35e15, "4350000000000000"},
      {"0%", 0.005, "1%"},
      {"0.0%", 0.0005, "0.1%"},
      // 0.145 × 100 as a double is 14.4999…, but the digits shown of 0.145
      // are scaled, not the product.
      {"0%", 0.145, "15%"},
  });
}

TEST_F(ShownFormatTest, GroupingScalingAndPercent) {
  ExpectAll({
      {"#,##0", 1234567, "1,234,567"},
      {"0,000", 1234, "1,234"},
      {"#,##0,", 1234567, "1,235"},
      {"#,##0,,", 123456789, "123"},
      {"0.0,,", 123456789, "123.5"},
      {",0", 5, ",5"},
      {"?,??0", 5, "    5"},
      {"?,??0", 12345, "12,345"},
      {"#,##0.00", 1e20, "100,000,000,000,000,000,000.00"},
      {"0%", 0.05, "5%"},
      {"0%%", 0.05, "500%%"},  // each "%" scales
      {"0.0\"%\"", 0.5, "0.5%"},
  });
}

TEST_F(ShownFormatTest, SectionsAndSigns) {
  ExpectAll({
      {"0.00", -0.001, "0.00"},  // no "-0"
      {"0", -0.4, "0"},
      {"#,##0", -0.4, "0"},
      {"0", -0.0, "0"},
      {"0;(0)", -0.1, "(0)"},
      {"#,##0;(#,##0)", -1234.5, "(1,235)"},
      {"$#,##0.00", -1234.5, "-$1,234.50"},
      {"[Red]0.0", -1.25, "-1.3"},
      {"0;-0;\"zero\"", 0, "zero"},
      {"0;-0;\"zero\"", 0.0001, "0"},
      {"0;-0;\"zero\"", -0.0001, "-0"},  // the section's own "-"
      {"\"a\";\"b\";\"c\"", -1, "b"},
      {"\"abc\"", -5, "abc"},  // text alone takes no minus sign
      {"0;;", -5, ""},
      {"0;;", 0, ""},
      {"0;", -5, ""},
      {";", 5, ""},
      {"0;\"neg\"", -5, "neg"},
      {"", 5, "5"},
      {"0;0;0;0;0", -5, "5"},  // sections after the 4th are ignored
  });
}

TEST_F(ShownFormatTest, Conditions) {
  ExpectAll({
      {"[>=100]0;[<0]\"neg\"0;0.00", 150, "150"},
      {"[>=100]0;[<0]\"neg\"0;0.00", -5, "neg5"},
      {"[>=100]0;[<0]\"neg\"0;0.00", 5, "5.00"},
      {"[>=100]\"big\"0;0.0", 5, "5.0"},
      {"[>=100]\"big\"0;0.0", -5, "5.0"},
      {"[<0]\"n\"0;\"p\"0", -5, "n5"},
      {"[<0]\"n\"0;\"p\"0", 5, "p5"},
      {"[<-10]0;0", -5, "5"},
      {"[<-10]0;0", -50, "-50"},
      {"[<=-1]0;0", -5, "-5"},
      {"[<0]0", -5, "5"},
      {"[<=0]0", -5, "5"},
      {"[=1]\"one\";0", 1, "one"},
      {"[=1]\"one\";0", -2, "2"},
      {"[>5]0;[<-5]0", -6, "6"},
      {"[>5]0;[<-5]0", 1, "1"},
      {"[>=10]0;[>=5]0.0;0.00", 7, "7.0"},
      {"[>=10]0;[>=5]0.0;0.00", -7, "7.00"},
      {"[>=10]0;[>=5]0.0", 2, "2"},
      {"[=0]\"z\";[>0]\"p\"0;\"o\"0", 0, "z"},
      {"[=0]\"z\";[>0]\"p\"0;\"o\"0", -3, "o3"},
      {"[<>5]0", 3, "3"},
      {"[>1e3]0", 2000, "2000"},
      {"0;[<5]0", 3, "3"},
  });
}

TEST_F(ShownFormatTest, LiteralsEscapesBlanksAndFills) {
  ExpectAll({
      {"_(0_)", 3, " 3 "},
      {"*-0", 3, "3"},
      {"\\a0", 3, "a3"},
      {"0 \"kg\"", 3, "3 kg"},
      {"\"a\"\"b\"0", 5, "ab5"},
      {"0\"", 5, "5\""},
      {"0\\", 5, "5\\"},
      {"$ - + / ( ) : ! ^ & ' ~ { } < > = 0", 5, "$ - + / ( ) : ! ^ & ' ~ { } < > = 5"},
      {"0 €", 5, "5 €"},
      {"\\€0", 5, "€5"},
      {"[Color10]0", 3, "3"},
      {"\"x;y\"0;\"n\"0", -1, "n1"},
  });
}

TEST_F(ShownFormatTest, Scientific) {
  ExpectAll({
      {"0.00E+00", 12345, "1.23E+04"},
      {"0.00E+00", 0, "0.00E+00"},
      {"0.00E+00", -12345, "-1.23E+04"},
      {"0.00E-00", 0.00012, "1.20E-04"},
      {"0.00E-00", 12345, "1.23E04"},
      {"0.00E+00", 1e100, "1.00E+100"},
      {"0.00E+00", 1e-310, "1.00E-310"},
      {"0.00E+000", 1.5, "1.50E+000"},
      {"0.0E+00", 9.96, "1.0E+01"},
      {"0E+0", 12345, "1E+4"},
      {"0.0e+0", 12345, "1.2e+4"},
      {"#.##E+0", 12345, "1.23E+4"},
      // The exponent is a multiple of the whole placeholders.
      {"##0.0E+0", 12345, "12.3E+3"},
      {"##0.0E+0", 0.00012, "120.0E-6"},
      {"#0.0E+0", 12345, "1.2E+4"},
      {"00.0E+0", 12345, "01.2E+4"},
      {"0.00E+00;(0.00E+00)", -12345, "(1.23E+04)"},
  });
}

TEST_F(ShownFormatTest, Fractions) {
  ExpectAll({
      {"# ?/?", 0.3333, " 1/3"},
      {"# ?/?", 0.5, " 1/2"},
      {"# ?/?", -1.25, "-1 1/4"},
      {"# ?/?", 2.95, "3    "},
      {"# ?/?", 5, "5    "},
      {"# ?/?", 0, "0    "},
      {"# ?/?", 0.01, "0    "},
      {"# ?/?", 0.99, "1    "},
      {"# ?\?/??", 1.5, "1  1/2 "},
      {"# ?\?/??", 0.7071, " 70/99"},
      {"# ?\?/??", 12.0625, "12  1/16"},
      {"# ?\?/??", -1234.5678, "-1234 46/81"},
      {"# ??\?/???", 3.14159265358979, "3  16/113"},
      {"# ?\?/100", 1.257, "1 26/100"},
      {"# ?\?/100", 1.999, "2    "},
      {"# ?/4", 0.1, "0   "},
      {"# ?/8", -0.1, "- 1/8"},
      {"?/?", 1.5, "3/2"},
      {"?\?/??", 2.5, " 5/2 "},
      {"?/?", 0, "0/1"},
      {"0/0", 0.5, "1/2"},
      {"# #/#", 5, "5"},
      {"# 0/0", 5, "5 0/1"},
      {"0 ?/?", 0.01, "0    "},
      {"#,### ?/?", 12345.5, "12,345 1/2"},
      {"\"x\"# ?/?\"y\"", 1.5, "x1 1/2y"},
      {"# ?/?;(# ?/?)", -1.5, "(1 1/2)"},
      {"# ?/?", 1e10, "10000000000    "},
  });
}

TEST_F(ShownFormatTest, BestFractionIsTheClosestWithinTheDenominatorLimit) {
  const auto expect = [](double x, std::int64_t limit, std::int64_t n, std::int64_t d) {
    const Fraction f = BestFraction(x, limit);
    EXPECT_EQ(f.numerator, n) << x << " limit " << limit;
    EXPECT_EQ(f.denominator, d) << x << " limit " << limit;
  };
  expect(0, 9, 0, 1);
  expect(0.95, 9, 1, 1);
  expect(0.7071, 99, 70, 99);
  expect(0.14159265358979, 999, 16, 113);
  expect(0.001, 9, 0, 1);
  expect(0.001, 999, 1, 999);
  expect(0.5, 999999999, 1, 2);
  // Brute force over every denominator agrees.
  for (const double x : {0.123456, 0.987654, 0.3819660112, 0.0731}) {
    for (const std::int64_t limit : {9, 99, 999}) {
      double best = 2;
      std::int64_t bestN = 0, bestD = 1;
      for (std::int64_t d = 1; d <= limit; ++d) {
        const auto n = static_cast<std::int64_t>(std::llround(x * static_cast<double>(d)));
        const double error = std::fabs(x - static_cast<double>(n) / static_cast<double>(d));
        if (error < best - 1e-15) {
          best = error;
          bestN = n;
          bestD = d;
        }
      }
      expect(x, limit, bestN, bestD);
    }
  }
}

TEST_F(ShownFormatTest, DateFields) {
  ExpectAll({
      {"yyyy-mm-dd hh:mm:ss", 45000.5, "2023-03-15 12:00:00"},
      {"y yy yyy yyyy", 45000, "23 23 2023 2023"},
      {"m mm mmm mmmm mmmmm", 45000, "3 03 Mar March M"},
      {"d dd ddd dddd", 45000, "15 15 Wed Wednesday"},
      {"[$-409]m/d/yyyy", 45000, "3/15/2023"},
      {"d-mmm-yy", 39448, "1-Jan-08"},
      {"mmm-yy", 39448, "Jan-08"},
      {"yyyy-mm-dd", 61, "1900-03-01"},
      {"m/d/yyyy", 2958465, "12/31/9999"},
      {"\"Day \"d", 45000, "Day 15"},
      {"[$-411]ggge\"年\"m\"月\"d\"日\";@", 45000, "令和5年3月15日"},
  });
}

// Japanese eras with a Japanese locale id, as LibreOffice shows them: the
// last day of each era and the first of the next, and the first Meiji year a
// cell can show.
TEST_F(ShownFormatTest, JapaneseErasWithAJapaneseLocale) {
  ExpectAll({
      {"[$-411]e", 61, "33"},
      {"[$-411]e", 4594, "45"},
      {"[$-411]e", 4595, "1"},
      {"[$-411]e", 9855, "15"},
      {"[$-411]e", 9856, "1"},
      {"[$-411]e", 32515, "64"},
      {"[$-411]e", 32516, "1"},
      {"[$-411]e", 42095, "27"},
      {"[$-411]e", 42370, "28"},
      {"[$-411]e", 42736, "29"},
      {"[$-411]e", 43585, "31"},
      {"[$-411]e", 43586, "1"},
      {"[$-411]ee", 4595, "01"},
      {"[$-411]ee", 44197, "03"},
      {"[$-411]E", 42095, "27"},
      {"[$-411]g gg ggg", 61, "M 明 明治"},
      {"[$-411]g gg ggg", 4595, "T 大 大正"},
      {"[$-411]g gg ggg", 9856, "S 昭 昭和"},
      {"[$-411]g gg ggg", 32516, "H 平 平成"},
      {"[$-411]g gg ggg", 43586, "R 令 令和"},
      {"[$-411]G", 32515, "S"},
      // Runs longer than a field are read as several.
      {"[$-411]gggg", 32516, "平成H"},
      {"[$-411]eee", 4595, "011"},
      {"[$-411]eeee", 42095, "2727"},
      {"[$-411]ge.m.d", 100.75, "M33.4.9"},
      {"[$-411]ge.m.d", 43585, "H31.4.30"},
      {"[$-411]ggge\"年\"m\"月\"d\"日\"", 32515, "昭和64年1月7日"},
      {"[$-411]ggge\"年\"m\"月\"d\"日\";@", 44197, "令和3年1月1日"},
      {"[$-411]\"（\"ggge\"年\"m\"月分）\"", 42767, "（平成29年2月分）"},
      {"[$-411]ee/mm/dd", 4595, "01/07/30"},
      {"[$-10411]ggge", 9856, "昭和1"},  // the low 16 bits name the language
      {"[$-411]yyyy/mm/dd", 43586, "2019/05/01"},
      {"[$-411]0.00E+00", 12345, "1.23E+04"},  // an exponent, not an era year
  });
  ExpectAll({{"[$-411]\"（\"ggge\"年\"m\"月分）\"", 41305, "（平成29年2月分）"}}, DateSystem::k1904);
}

TEST_F(ShownFormatTest, EraLettersWithoutAJapaneseLocale) {
  ExpectAll({
      {"e", 45000, "e"},  // no date field: literal text
      {"ge.m.d", 45000, "2023.3.15"},
      {"[$-409]ggge d", 45000, "2023 15"},
      {"[$-412]ge/m", 45000, "2023/3"},
  });
}

// A shown value longer than the stack buffer it is gathered in keeps its order.
TEST_F(ShownFormatTest, LongLiteralsAroundDigits) {
  const std::string before(300, 'a');
  const std::string after(500, 'z');
  const std::string code = "\"" + before + "\"#,##0.00\"" + after + "\"";
  EXPECT_EQ(Shown(code, 1234567.891), before + "1,234,567.89" + after);
  EXPECT_EQ(Shown(code, -2), "-" + before + "2.00" + after);
  EXPECT_EQ(Shown("\"" + before + "\"yyyy-mm-dd\"" + after + "\"", 45000), before + "2023-03-15" + after);
  EXPECT_EQ(Shown("#,##0", 1.2345678901234567e20), "123,456,789,012,346,000,000");
  EXPECT_EQ(Shown(std::string(400, '0'), 5), std::string(399, '0') + "5");
}

TEST(PlainNumbers, AreTheCodesWrittenStraightFromAWholeNumber) {
  for (const char* code : {"0", "#,##0", "#,##0.00", "000.000000", "\"$\"#,##0.00_)", "#0"})
    EXPECT_TRUE(ReadFormatSection(code).plain) << code;
  const std::vector<std::string> others = {"0#", "?,??0", "0.0#", "0.0000000", "0%", "#,##0,", "000-00-0000",
                                           ".00", "0.00E+00", "# ?/?", std::string(17, '0')};
  for (const std::string& code : others) EXPECT_FALSE(ReadFormatSection(code).plain) << code;
}

// The plain path writes what the digit-by-digit path writes, for magnitudes of
// every size and fractions near one half, with one- and two-byte separators.
TEST(PlainNumbers, WriteWhatTheDigitsWrite) {
  const std::vector<std::string> codes = {"0", "#,##0", "#,##0.00", "0.0", "000.000000", "#,###.000",
                                          "\"a\"#,##0.0000\"b\"", "00000"};
  RegionalSettings twoByte;
  twoByte.thousandsSeparator = "\xC2\xA0";
  twoByte.decimalSeparator = ",";
  std::mt19937_64 random(20261210);
  int plainWritten = 0;
  int compared = 0;
  for (const RegionalSettings& settings : {RegionalSettings{}, twoByte}) {
    SetRegionalSettings(settings);
    for (const std::string& code : codes) {
      const FormatSection section = ReadFormatSection(code);
      ASSERT_TRUE(section.plain) << code;
      for (int i = 0; i < 20000; ++i) {
        double magnitude = std::ldexp(static_cast<double>(random() >> 11), -53) *
                           std::pow(10.0, static_cast<double>(random() % 16) - 4);
        // A decimal tie of the last place shown (2.675 for "0.00"), and
        // values just beyond the distance from it that the plain path leaves
        // to the digits.
        const double unit = std::pow(10.0, -section.decimalDigits);
        const double tie = (std::floor(magnitude / unit) + 0.5) * unit;
        if (i % 4 == 0) magnitude = tie;
        if (i % 4 == 1) magnitude = tie + (i % 8 == 1 ? 1.1e-3 : -1.1e-3) * unit;
        std::string plain;
        std::string byDigits;
        AppendNumberByDigits(section, magnitude, byDigits);
        ++compared;
        if (!AppendPlainNumber(section, magnitude, plain)) continue;
        ++plainWritten;
        ASSERT_EQ(plain, byDigits) << "code [" << code << "] magnitude " << std::setprecision(17) << magnitude;
      }
    }
  }
  SetRegionalSettings(RegionalSettings{});
  EXPECT_GT(plainWritten, compared / 2);
}

TEST_F(ShownFormatTest, TheFirstDaysOfThe1900System) {
  ExpectAll({
      {"yyyy-mm-dd dddd", 0, "1900-01-00 Saturday"},
      {"yyyy-mm-dd dddd", 1, "1900-01-01 Sunday"},
      {"yyyy-mm-dd dddd", 59, "1900-02-28 Tuesday"},
      {"yyyy-mm-dd dddd", 60, "1900-02-29 Wednesday"},
      {"yyyy-mm-dd dddd", 61, "1900-03-01 Thursday"},
      {"d-mmm", 59.99999999, "29-Feb"},  // rounded to the second first
  });
  ExpectAll({{"yyyy-mm-dd dddd", 0, "1904-01-01 Friday"},
             {"yyyy-mm-dd hh:mm", 43538.5, "2023-03-15 12:00"}},
            DateSystem::k1904);
}

TEST_F(ShownFormatTest, DatesOutsideTheRangeAreWrittenInGeneralForm) {
  ExpectAll({
      {"m/d/yyyy", -1, "-1"},
      {"m/d/yyyy", 2958466, "2958466"},
      {"m/d/yyyy", 3000000, "3000000"},
      {"h:mm", -0.5, "-0.5"},
      {"m/d/yyyy", 1e300, "1E+300"},
  });
  ExpectAll({{"m/d/yyyy", 2957004, "2957004"}}, DateSystem::k1904);
  // A negative section shows the magnitude.
  ExpectAll({{"h:mm;\"-\"h:mm", -0.5, "-12:00"}});
}


TEST_F(ShownFormatTest, TheOpenDocumentCountRunsOnTheCalendarBothWays) {
  ExpectAll(
      {
          // No 1900-02-29: serial 2 is 1900-01-01, 61 is 1900-03-01 as in 1900.
          {"yyyy-mm-dd dddd", 0, "1899-12-30 Saturday"},
          {"yyyy-mm-dd dddd", 2, "1900-01-01 Monday"},
          {"yyyy-mm-dd dddd", 60, "1900-02-28 Wednesday"},
          {"yyyy-mm-dd dddd", 61, "1900-03-01 Thursday"},
          // Before the base the day rounds down and the time counts forward.
          {"m/d/yyyy h:mm AM/PM", -1.2, "12/28/1899 7:12 PM"},
          {"m/d/yy h:mm", -12345.6789, "3/12/66 7:42"},
          {"d-mmm-yyyy", -693593, "1-Jan-0001"},
          {"h:mm:ss", -0.00001, "23:59:59"},
          {"m/d/yyyy", -693594, "-693594"},  // before 0001-01-01
          {"m/d/yyyy", 2958466, "2958466"},  // 10000-01-01
          // A negative elapsed time still takes its sign; numbers are unchanged.
          {"[h]:mm", -1.5, "-36:00"},
          {"0.00", -1.5, "-1.50"},
      },
      DateSystem::kOpenDocument);
}
TEST_F(ShownFormatTest, TimeFields) {
  ExpectAll({
      {"h:m", 0.0423, "1:0"},
      {"h m", 0.0423, "1 0"},
      {"h AM/PM", 0.6, "2 PM"},
      {"h am/pm", 0.6, "2 pm"},
      {"h A/P", 0.6, "2 P"},
      {"h a/p", 0.1, "2 a"},
      {"hh:mm AM/PM", 0, "12:00 AM"},
      {"hh:mm AM/PM", 0.5, "12:00 PM"},
      {"h:mm AM/PM", 0.75, "6:00 PM"},
      {"h:mm:ss.0", 0.50001, "12:00:00.9"},
      {"h:mm:ss.00", 0.50001, "12:00:00.86"},
      {"h:mm:ss.000", 0.50001, "12:00:00.864"},
      {"mm:ss.0", 0.0423, "00:54.7"},
      {"mm:ss", 0.5, "00:00"},
      {"mm\" min\"", 0.5, "01 min"},  // "mm" without hour or second is the month
  });
}

TEST_F(ShownFormatTest, TimesAreRoundedToTheShownPrecisionBeforeTheFieldsAreTaken) {
  constexpr double kSecond = 1.0 / 86400;
  ExpectAll({
      {"h:mm:ss", (10 * 3600 + 59 * 60 + 59.9) * kSecond, "11:00:00"},
      {"h:mm", (10 * 3600 + 59 * 60 + 59.9) * kSecond, "11:00"},
      {"h:mm:ss.0", (10 * 3600 + 59 * 60 + 59.9) * kSecond, "10:59:59.9"},
      {"h:mm:ss", (10 * 3600 + 59 * 60 + 40) * kSecond, "10:59:40"},
      {"h:mm", (10 * 3600 + 59 * 60 + 40) * kSecond, "10:59"},
      {"ss.00", 0.999999999, "00.00"},
      {"m/d/yyyy h:mm", 0.9999999, "1/1/1900 0:00"},
      {"ddd yyyy-mm-dd", 45000.99999999, "Thu 2023-03-16"},
  });
}

TEST_F(ShownFormatTest, ElapsedTime) {
  ExpectAll({
      {"[h]:mm:ss", 1.5, "36:00:00"},
      {"[h]:mm:ss", -1.5, "-36:00:00"},
      {"[h]:mm:ss", -1234.5678, "-29629:37:38"},
      {"[h]:mm", -0.5, "-12:00"},
      {"[h]:mm", -0.0000001, "0:00"},
      {"[hh]:mm", 0.1, "02:24"},
      {"[mm]:ss", 1.5, "2160:00"},
      {"[mm]:ss", -0.01, "-14:24"},
      {"[m]", 0.1, "144"},
      {"[ss]", 0.01, "864"},
      {"[s].00", 0.010001, "864.09"},
      {"[h]:mm:ss.00", 1.000001, "24:00:00.09"},
      {"[h]", 3e6, "72000000"},
  });
}

TEST_F(ShownFormatTest, LocaleAndCurrencyBrackets) {
  ExpectAll({
      {"[$€-407]#,##0.00", 1234.5, "€1,234.50"},
      {"#,##0.00 [$€-407]", 1234.5, "1,234.50 €"},
      {"[$USD] #,##0", 12, "USD 12"},
      {"[$USD-409]0", 12, "USD12"},
      {"[$$-409]#,##0.00", 1234.5, "$1,234.50"},
      {"[$£-809]#,##0", -12, "-£12"},
      {"[$-409]h:mm AM/PM", 0.25, "6:00 AM"},
      {"[$-409]mmmm d, yyyy", 45000, "March 15, 2023"},
  });
}

TEST_F(ShownFormatTest, SystemLongDateAndTimeAreTheRegionalOnes) {
  ExpectAll({
      {"[$-F800]dddd, mmmm dd, yyyy", 45000, "March 15, 2023"},
      {"[$-F400]h:mm:ss AM/PM", 0.75, "6:00:00 PM"},
  });
  RegionalSettings settings;
  settings.longDatePattern = "dddd d. mmmm yyyy";
  settings.longTimePattern = "hh:mm:ss";
  settings.timeSeparator = ".";
  settings.longMonthNames[2] = "März";
  settings.longDayNames[3] = "Mittwoch";
  SetRegionalSettings(settings);
  ExpectAll({
      {"[$-F800]dddd, mmmm dd, yyyy", 45000, "Mittwoch 15. März 2023"},
      {"[$-F400]h:mm:ss AM/PM", 0.75, "18.00.00"},
  });
}

TEST_F(ShownFormatTest, GeneralForm) {
  ExpectAll({
      {"General", 1e15, "1E+15"},
      {"General", 999999999999999, "999999999999999"},
      {"General", 3e-7, "3E-07"},
      {"General", 0.0001, "0.0001"},
      {"General", 0.1, "0.1"},
      {"General", 123456789012345678.0, "1.23456789012346E+17"},
      {"general", 2.5, "2.5"},
      {"GENERAL", 1e20, "1E+20"},
      {"\"T=\"General", 2.5, "T=2.5"},
      {"General\" u\"", -2.5, "-2.5 u"},
      {"[Red]General", 6.4594e191, "6.4594E+191"},
      {"General;-General;\"z\";@", -5, "-5"},
      {"General;-General;\"z\";@", 0, "z"},
      {"@", 5, "5"},
      {"\"x\"@", -5, "-5"},
      {"0;@", -5, "-5"},
  });
  EXPECT_EQ(Shown("0.00", std::numeric_limits<double>::infinity()), "INF");
  EXPECT_TRUE(ShownFormat("").IsGeneral());
  EXPECT_TRUE(ShownFormat("gEnErAl").IsGeneral());
  EXPECT_FALSE(ShownFormat("General;General").IsGeneral());
  EXPECT_FALSE(ShownFormat("0").IsGeneral());
}

TEST(AppendGeneralShown, WritesTheExponentWithItsSignAndTwoDigits) {
  SetRegionalSettings(RegionalSettings{});
  const auto general = [](double value) {
    std::string out = "<";
    AppendGeneralShown(value, out);
    return out;
  };
  EXPECT_EQ(general(3e-7), "<3E-07");
  EXPECT_EQ(general(6.4594e191), "<6.4594E+191");
  EXPECT_EQ(general(1e15), "<1E+15");
  EXPECT_EQ(general(-1.5e-300), "<-1.5E-300");
  EXPECT_EQ(general(5e-324), "<4.94065645841247E-324");
  EXPECT_EQ(general(-0.0), "<0");
  EXPECT_EQ(general(0.5), "<0.5");
  // The default layout's General form keeps its own exponent.
  EXPECT_EQ(FormatGeneral(3e-7), "3E-7");
}

TEST_F(ShownFormatTest, TextSections) {
  EXPECT_EQ(ShownText("@", "abc"), "abc");
  EXPECT_EQ(ShownText("\"<\"@\">\"", "abc"), "<abc>");
  EXPECT_EQ(ShownText("0;0;0;\"t:\"@", "abc"), "t:abc");
  EXPECT_EQ(ShownText("0;0;0;\"fixed\"", "abc"), "fixed");
  EXPECT_EQ(ShownText("0;0;0;", "abc"), "");
  EXPECT_EQ(ShownText("0;0;0;0.00", "abc"), "0.00");  // all text but "@"
  EXPECT_EQ(ShownText("0;0;0;\"x\"General", "abc"), "xabc");
  EXPECT_EQ(ShownText("0;0;0;@@", "ab"), "abab");
  EXPECT_EQ(ShownText("0.00", "abc"), "abc");
  EXPECT_EQ(ShownText("0;-0", "abc"), "abc");
  EXPECT_EQ(ShownText("@ @", "ab"), "ab ab");
  EXPECT_EQ(ShownText("_(@_)", "ab"), " ab ");
  EXPECT_EQ(ShownText("0;0;0;[Red]@", "ab"), "ab");
  EXPECT_EQ(ShownText("0;\"<\"@", "ab"), "<ab");
  EXPECT_EQ(ShownText("@;0", "ab"), "ab");
  EXPECT_EQ(ShownText("", "ab"), "ab");
  EXPECT_EQ(ShownText("General", "ab"), "ab");
  // A text is repeated at most 16 times, whatever the code asks.
  EXPECT_EQ(ShownText(std::string(65535, '@'), std::string(1000, 'x')), std::string(16000, 'x'));
}

TEST_F(ShownFormatTest, RegionalSeparatorsAndNames) {
  RegionalSettings settings;
  settings.decimalSeparator = ",";
  settings.thousandsSeparator = ".";
  settings.shortMonthNames[2] = "Mrz";
  settings.shortDayNames[3] = "Mi";
  SetRegionalSettings(settings);
  ExpectAll({
      {"#,##0.00", 1234567.891, "1.234.567,89"},
      {"0.00E+00", 12345, "1,23E+04"},
      {"General", 2.5, "2,5"},
      {"ddd d mmm", 45000, "Mi 15 Mrz"},
      {"h:mm:ss.00", 0.50001, "12:00:00,86"},
  });
  settings.thousandsSeparator = "";
  SetRegionalSettings(settings);
  ExpectAll({{"#,##0", 1234567, "1234567"}});
}

TEST_F(ShownFormatTest, LongCodesRenderInBoundedTime) {
  // 1000 decimal places are shown as 30.
  EXPECT_EQ(Shown("0." + std::string(1000, '0'), 1), "1." + std::string(30, '0'));
  const auto start = std::chrono::steady_clock::now();
  const std::vector<std::string> codes = {
      std::string(65535, '0'),
      "0." + std::string(65533, '#'),
      std::string(65535, '%'),
      "0" + std::string(65534, ','),
      std::string(65535, 'm'),
      "# " + std::string(32766, '?') + "/" + std::string(32766, '?'),
      std::string(65535, '['),
      std::string(65535, '"'),
      [] {
        std::string code;
        while (code.size() < 65535) code += "[$-F800]";
        return code;
      }(),
      [] {
        std::string code;
        while (code.size() < 65535) code += "h:m ";
        return code;
      }(),
  };
  for (const std::string& code : codes) {
    std::string out;
    const ShownFormat format(code);
    format.AppendNumber(-12345.678, DateSystem::k1900, out);
    format.AppendNumber(45000.5, DateSystem::k1900, out);
    EXPECT_LT(out.size(), 4'000'000u);
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(Shown("0" + std::string(20, '%'), 1), "1" + std::string(40, '0') + std::string(20, '%'));
  EXPECT_EQ(Shown(std::string(20, '%'), 1), std::string(20, '%'));  // no placeholder: text
}

TEST_F(ShownFormatTest, BuiltInCodes) {
  struct IdCase {
    int id;
    double value;
    const char* expected;
  };
  const std::vector<IdCase> cases = {
      {0, 45000.75, "45000.75"},          {0, -1234.5678, "-1234.5678"},
      {1, -1234.5678, "-1235"},          {2, -1234.5678, "-1234.57"},
      {3, 45000.75, "45,001"},           {4, -1234.5678, "-1,234.57"},
      {5, 45000.75, "$45,001 "},         {6, -1234.5678, "($1,235)"},
      {7, 45000.75, "$45,000.75 "},      {8, -1234.5678, "($1,234.57)"},
      {9, 45000.75, "4500075%"},         {10, -1234.5678, "-123456.78%"},
      {11, 45000.75, "4.50E+04"},        {12, -1234.5678, "-1234 4/7"},
      {13, 45000.75, "45000  3/4 "},     {14, 45000.75, "3/15/23"},
      {15, 45000.75, "15-Mar-23"},       {16, 45000.75, "15-Mar"},
      {17, 45000.75, "Mar-23"},          {18, 45000.75, "6:00 PM"},
      {19, 45000.75, "6:00:00 PM"},      {20, -1234.5678, "-1234.5678"},
      {21, 45000.75, "18:00:00"},        {22, 45000.75, "3/15/23 18:00"},
      {37, 45000.75, "45,001 "},         {38, -1234.5678, "(1,235)"},
      {39, 45000.75, "45,000.75 "},      {40, -1234.5678, "(1,234.57)"},
      {41, 45000.75, " 45,001 "},        {42, -1234.5678, " $(1,235)"},
      {43, 45000.75, " 45,000.75 "},     {44, -1234.5678, " $(1,234.57)"},
      {45, -1234.5678, "-1234.5678"},    {45, 0.0423, "00:55"},
      {46, -1234.5678, "-29629:37:38"},  {47, 0.0423, "00:54.7"},
      {48, 45000.75, "45.0E+3"},         {49, 45000.75, "45000.75"},
      {30, 45000.75, "3/15/23"},         {33, 45000.75, "18:00:00"},
      {59, -1234.5678, "-1235"},         {80, 45000.75, "1080018:00:00"},
  };
  for (const IdCase& c : cases) {
    const std::string code = BuiltInFormatCode(c.id);
    EXPECT_EQ(Shown(code, c.value), c.expected) << "id " << c.id << " code " << code;
  }
  EXPECT_EQ(ShownText(BuiltInFormatCode(44), "ab"), " ab ");
  for (const int unknown : {-1, 23, 26, 82, 163, 1000}) {
    EXPECT_TRUE(ShownFormat(BuiltInFormatCode(unknown)).IsGeneral()) << unknown;
  }
  for (int id = 0; id < 50; ++id) {
    if (id >= 23 && id <= 26) continue;  // locale-dependent: General
    EXPECT_FALSE(BuiltInFormatCode(id).empty()) << id;
  }
}

TEST_F(ShownFormatTest, ShortDateIdsTakeTheRegionalShortDate) {
  EXPECT_EQ(BuiltInFormatCode(14), "m/d/yy");
  EXPECT_EQ(BuiltInFormatCode(22), "m/d/yy h:mm");
  RegionalSettings settings;
  settings.shortDatePattern = "dd/mm/yyyy";
  settings.dateSeparator = ".";
  SetRegionalSettings(settings);
  EXPECT_EQ(BuiltInFormatCode(14), "dd\\.mm\\.yyyy");
  EXPECT_EQ(BuiltInFormatCode(57), "dd\\.mm\\.yyyy");
  EXPECT_EQ(Shown(BuiltInFormatCode(22), 45000.75), "15.03.2023 18:00");
}

TEST(RegionalFormatCodes, PatternsBecomeCodes) {
  RegionalSettings settings;
  EXPECT_EQ(FormatCodeOfPattern("mmmm d, yyyy", settings), "mmmm d\\, yyyy");
  EXPECT_EQ(FormatCodeOfPattern("h:mm:ss AMPM", settings), "h:mm:ss AM/PM");
  EXPECT_EQ(FormatCodeOfPattern("AMPM hh:nn", settings), "AM/PM hh:mm");
  EXPECT_EQ(FormatCodeOfPattern("aaaa\"日\"yyyy/m/d", settings), "dddd日yyyy/m/d");
  EXPECT_EQ(FormatCodeOfPattern("ggeee'.'mm", settings), "yyyy\\.mm");
  settings.dateSeparator = "-";
  settings.timeSeparator = "h";
  EXPECT_EQ(FormatCodeOfPattern("d/m/yy hh:mm", settings), "d-m-yy hh\\hmm");
}

TEST_F(ShownFormatTest, TableGivesWorkbookCodesThenBuiltInsThenGeneral) {
  ShownFormatTable table;
  std::string out;
  table.Format(3).AppendNumber(1234, DateSystem::k1900, out);
  EXPECT_EQ(out, "1,234");
  EXPECT_TRUE(table.Format(200).IsGeneral());
  EXPECT_TRUE(table.Format(-7).IsGeneral());

  table.SetCode(3, "0.0");
  table.SetCode(200, "[h]");
  const ShownFormat& first = table.Format(200);
  EXPECT_EQ(&first, &table.Format(200));  // read once
  out.clear();
  table.Format(3).AppendNumber(1234, DateSystem::k1900, out);
  table.Format(200).AppendNumber(1.5, DateSystem::k1900, out);
  EXPECT_EQ(out, "1234.036");

  table.SetCode(200, "0%");
  out.clear();
  table.Format(200).AppendNumber(1.5, DateSystem::k1900, out);
  EXPECT_EQ(out, "150%");

  table.Clear();
  out.clear();
  table.Format(3).AppendNumber(1234, DateSystem::k1900, out);
  EXPECT_EQ(out, "1,234");
  EXPECT_TRUE(table.Format(200).IsGeneral());

  EXPECT_TRUE(IsRegionalFormatId(78));
  EXPECT_FALSE(IsRegionalFormatId(15));
  EXPECT_FALSE(IsRegionalFormatId(164));
}

TEST(RoundedToDecimals, RoundsHalfAwayFromZeroWithCarries) {
  const auto rounded = [](double value, int decimals) {
    const DecimalDigits d = RoundedToDecimals(ToDecimalDigits(value, 15, kNoDecimalLimit), decimals);
    return std::string(d.digits, static_cast<std::size_t>(d.count)) + "e" + std::to_string(d.exponent) +
           (d.negative ? "-" : "");
  };
  EXPECT_EQ(rounded(2.675, 2), "268e1");
  EXPECT_EQ(rounded(9.995, 2), "1e2");
  EXPECT_EQ(rounded(-0.004, 2), "e-2");
  EXPECT_EQ(rounded(-0.005, 2), "1e-1-");
  EXPECT_EQ(rounded(1250, -2), "13e4");
  EXPECT_EQ(rounded(0.5, 0), "1e1");
  EXPECT_EQ(rounded(0.4, 0), "e0");
  EXPECT_EQ(rounded(123.456, 10), "123456e3");
}

}  // namespace
}  // namespace tabulox
