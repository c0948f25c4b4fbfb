#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "core/extraction_error.h"
#include "numfmt/decimal_digits.h"
#include "numfmt/number_pattern.h"
#include "numfmt/regional_settings.h"

namespace tabulox {
namespace {

std::string Pattern(std::string_view code, long double value) {
  std::string out;
  FormatNumberPattern(code, value, out);
  return out;
}

struct PatternCase {
  const char* code;
  double value;
  const char* expected;
};

void PrintTo(const PatternCase& c, std::ostream* os) {
  *os << "code [" << c.code << "] value " << c.value;
}

class NumberPattern : public ::testing::TestWithParam<PatternCase> {
 protected:
  void SetUp() override { SetRegionalSettings(RegionalSettings{}); }
};

// Doubles and extended values take different paths through the fixed forms.
TEST_P(NumberPattern, Renders) {
  const PatternCase& c = GetParam();
  EXPECT_EQ(Pattern(c.code, c.value), c.expected);
  std::string fromDouble;
  ::tabulox::NumberPattern(c.code).Append(c.value, fromDouble);
  EXPECT_EQ(fromDouble, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    PlaceholdersAndGrouping, NumberPattern,
    ::testing::Values(PatternCase{"#,##0.00", 1234567.891, "1,234,567.89"},
                      PatternCase{"#,##0", -1234567, "-1,234,567"},
                      PatternCase{"000", 5, "005"},
                      PatternCase{"0", 0, "0"},
                      PatternCase{"0.00", 0.5, "0.50"},
                      PatternCase{"#,##0", 999, "999"},
                      PatternCase{"#,##0", 1000, "1,000"},
                      PatternCase{"#,##0", 123456789012.0, "123,456,789,012"},
                      // Integer digits without a placeholder of their own all go
                      // out at the first placeholder.
                      PatternCase{"0", 123456, "123456"},
                      PatternCase{"x0y0z", 123456, "x12345y6z"},
                      PatternCase{"#.##", 0.5, ".5"},
                      PatternCase{"#.##", 5, "5"},
                      PatternCase{"#.##", 0, ""},
                      PatternCase{"#.##", 0.004, ".00"},
                      PatternCase{"0.0#", 1.5, "1.5"},
                      PatternCase{"0.0#", 1.25, "1.25"},
                      PatternCase{"0.0#", 1, "1.0"}));

INSTANTIATE_TEST_SUITE_P(
    RoundingAtTheLimit, NumberPattern,
    ::testing::Values(PatternCase{"0.00", -0.001, "0.00"},  // rounds to zero: no sign
                      PatternCase{"0.00", 2.675, "2.67"},   // stored just below 2.675
                      PatternCase{"0.00", 0.005, "0.01"},   // half away from zero
                      PatternCase{"0.00", -0.005, "-0.01"},
                      PatternCase{"0", 0.5, "1"},
                      PatternCase{"0", 2.5, "3"},
                      PatternCase{"0", 9.5, "10"},
                      PatternCase{"0", 0.49999999999999994, "0"},
                      PatternCase{"0", 1e18, "1E18"},  // 10^18 and more: General form
                      PatternCase{"0", 999999999999999999.0, "1E18"},
                      PatternCase{"0", 72057594037927936.0, "72057594037927936"}));

INSTANTIATE_TEST_SUITE_P(
    Sections, NumberPattern,
    ::testing::Values(
        // Built-in 7 and 41 after classification: the negative section has lost
        // its parentheses and writes no sign.
        PatternCase{"$#,##0.00 ;$#,##0.00", -1234.5, "$1,234.50"},
        PatternCase{"$#,##0.00 ;$#,##0.00", 1234.5, "$1,234.50 "},
        PatternCase{"  #,##0 ;  #,##0;  \"-\" ;  ", -1234, "  1,234"},
        PatternCase{"  #,##0 ;  #,##0;  \"-\" ;  ", 0, "  - "},
        PatternCase{"  #,##0 ;  #,##0;  \"-\" ;  ", 1234, "  1,234 "},
        PatternCase{"#,##0.00;#,##0.00", -1234.44, "1,234.44"},  // a bare fixed negative section
        PatternCase{"0;0", -7.2, "7"},
        PatternCase{"0;(0);\"zero\"", -5, "(5)"},
        PatternCase{"0;(0);\"zero\"", -0.0, "zero"},      // no digits: zero section
        PatternCase{"0;(0);\"zero\"", 0.2, "zero"},       // rounded to zero: zero section
        PatternCase{"0.0;(0.0)", -0.01, "0.0"},           // no digits, no zero section: section 0
        PatternCase{"0.0;(0.0)", -0.0, "0.0"},
        PatternCase{"0;;\"zero\"", -5, "-5"},             // empty negative section
        PatternCase{";0", 5, "5"},                        // empty first section: General
        PatternCase{"", -2.5, "-2.5"},
        PatternCase{"\"a;b\"0", 7, "a;b7"},               // quoted ";" does not split
        PatternCase{"0\"unterminated;0", 7, "7unterminated;0"},
        PatternCase{"0 'x#0'", 7, "7 x#0"},
        PatternCase{"YYYY-MM-DD", -39448, "-YYYY-MM-DD"},
        PatternCase{"YYYY-MM-DD", 39448, "YYYY-MM-DD"},
        PatternCase{"0 \xC3\xA4\xE2\x82\xAC", 3, "3 \xC3\xA4\xE2\x82\xAC"}));  // UTF-8 passes

INSTANTIATE_TEST_SUITE_P(
    ScientificAndFractions, NumberPattern,
    ::testing::Values(PatternCase{"0.00E+00", 12345, "1.23E+04"},
                      PatternCase{"0.00E+00", 0, "0.00E+00"},
                      PatternCase{"0.00E+00", 0.00012345, "1.23E-04"},
                      PatternCase{"0.00E+00", -12345, "-1.23E+04"},
                      PatternCase{"0.00E-00", 12345, "1.23E04"},
                      PatternCase{"0.00e+0", 1.5e100, "1.50e+100"},
                      PatternCase{"##0.0E+0", 12345, "123.5E+2"},
                      PatternCase{"0E+00000", 5, "5E+0000"},  // exponent digits count up to 4
                      PatternCase{"0.0Ex", 5, "5.0Ex"},       // no sign: ordinary text
                      PatternCase{"0.00E+00", 1e300, "1.00E+300"},
                      PatternCase{"# ", 0.5, "1 "},  // built-in 12 after classification
                      PatternCase{"# ", 0.4, " "}));

TEST(NumberPatternLimits, CodeLongerThan224BytesFails) {
  SetRegionalSettings(RegionalSettings{});
  const std::string longest(kMaxNumberPatternLength, '0');
  EXPECT_EQ(Pattern(longest, 5).size(), kMaxNumberPatternLength);
  const std::string tooLong(kMaxNumberPatternLength + 1, '0');
  try {
    Pattern(tooLong, 5);
    FAIL() << "no error raised";
  } catch (const ExtractionError& e) {
    EXPECT_STREQ(e.what(), "Format string too long");
  }
}

TEST(NumberPatternLimits, InfinitiesAndNanAreGeneral) {
  SetRegionalSettings(RegionalSettings{});
  EXPECT_EQ(Pattern("0.00", std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(Pattern("0.00", -std::numeric_limits<double>::infinity()), "-INF");
  EXPECT_EQ(Pattern("0.00", std::nan("")), "NAN");
  // A percent product beyond the double range.
  EXPECT_EQ(Pattern("0%", 1e308L * 100.0L), "INF");
}

TEST(NumberPatternRegional, UsesTheRegionalSeparators) {
  RegionalSettings german;
  german.decimalSeparator = ",";
  german.thousandsSeparator = ".";
  SetRegionalSettings(german);
  EXPECT_EQ(Pattern("#,##0.00", 1234567.891), "1.234.567,89");
  german.thousandsSeparator = "\xE2\x80\xAF";  // narrow no-break space
  SetRegionalSettings(german);
  EXPECT_EQ(Pattern("#,##0", 1234567), "1\xE2\x80\xAF" "234\xE2\x80\xAF" "567");
  german.thousandsSeparator.clear();
  SetRegionalSettings(german);
  EXPECT_EQ(Pattern("#,##0", 1234567), "1234567");
  SetRegionalSettings(RegionalSettings{});
}

// The 18 significant digits must be the correctly rounded decimal form of the
// exact binary value. glibc's printf converts exactly and serves as the oracle.
TEST(DecimalDigitsExact, EighteenDigitsMatchAnExactConversion) {
  std::mt19937_64 random(20261209);
  for (int i = 0; i < 20000; ++i) {
    const std::uint64_t bits = random();
    double value;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value) || value == 0) continue;
    char expected[64];
    std::snprintf(expected, sizeof expected, "%.17e", std::fabs(value));
    std::string mantissa = std::string(1, expected[0]) + std::string(expected + 2, 17);
    while (!mantissa.empty() && mantissa.back() == '0') mantissa.pop_back();
    const int exponent = std::atoi(expected + 20) + 1;
    const DecimalDigits d = ToDecimalDigits(value, 18, kNoDecimalLimit);
    ASSERT_EQ(std::string(d.digits, static_cast<std::size_t>(d.count)), mantissa) << expected;
    ASSERT_EQ(d.exponent, exponent) << expected;
    ASSERT_EQ(d.negative, value < 0);
  }
}

TEST(DecimalDigitsExact, ExtendedValuesKeepTheirExtraPrecision) {
  // 0.1234 is stored as 0.12339999999999999580...; times 100 in extended
  // precision that stays below 12.34, and two decimals round it up.
  const long double percent = static_cast<long double>(0.1234) * 100.0L;
  DecimalDigits d = ToDecimalDigits(percent, 18, kNoDecimalLimit);
  EXPECT_EQ(std::string(d.digits, static_cast<std::size_t>(d.count)), "123399999999999996");
  d = ToDecimalDigits(percent, 18, 2);
  EXPECT_EQ(std::string(d.digits, static_cast<std::size_t>(d.count)), "1234");
}

TEST(DecimalDigitsExact, ZeroAfterRoundingKeepsItsExponent) {
  const DecimalDigits d = ToDecimalDigits(0.004, 18, 2);
  EXPECT_EQ(d.count, 0);
  EXPECT_EQ(d.exponent, -2);
  EXPECT_FALSE(d.negative);
}

}  // namespace
}  // namespace tabulox

namespace tabulox {
namespace {

// `code` with an empty quoted text after its first placeholder: the same
// rendering, laid out by the character walk instead of as one run of
// placeholders.
std::string WithEmptyTextInsideTheRun(std::string_view code) {
  const std::size_t first = code.find_first_of("0#");
  std::string split(code.substr(0, first + 1));
  split += "\"\"";
  split += code.substr(first + 1);
  return split;
}

// Values of every magnitude the runs and the fixed forms lay out, ties at the second and
// third decimal place (exact ones such as k/8 and k/1024, and the doubles beside
// them), carries through nines, integers and zeros, and values about the
// largest that the fixed forms write from one product.
std::vector<double> RunTestValues() {
  std::vector<double> values = {0.0,      -0.0,      0.5,       0.05,      0.005,
                                0.004999, 9.995,     99.995,    999.9999,  1234.565,
                                1e15,     1.2345e17, 1e-7,      0.000123,  7.0,
                                1234567.0, 999999.5, 0.994999999};
  std::mt19937_64 random(29);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> exponent(-7, 17);
  std::uniform_int_distribution<int> cents(0, 100'000'000);
  for (int i = 0; i < 4000; ++i) {
    values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
    values.push_back(cents(random) / 100.0);
    values.push_back(static_cast<double>(cents(random)));
    const double tie = cents(random) / (i % 2 == 0 ? 8.0 : 1024.0);
    const double millis = cents(random) / 1000.0;
    for (const double near : {tie, millis})
      for (const double v : {std::nextafter(near, 0.0), near, std::nextafter(near, 1e300)})
        values.push_back(v);
  }
  for (double bound = 1e12; bound > 1e5; bound /= 10)
    for (const double v : {bound - 0.5, bound - 1.0, bound, bound + 0.5, bound * 1.0000001})
      values.push_back(v);
  return values;
}

class NumberPatternRun : public ::testing::TestWithParam<const char*> {
 protected:
  void TearDown() override { SetRegionalSettings(RegionalSettings{}); }
};

// The placeholders of a section without text between them are laid out in one
// go, and the fixed forms ("0", "#,##0", with decimals) straight from the
// digits; both must write what the walk over each placeholder writes, with
// one-byte, multi-byte and empty separators.
TEST_P(NumberPatternRun, LaysOutAsTheCharacterWalkDoes) {
  const ::tabulox::NumberPattern run(GetParam());
  const ::tabulox::NumberPattern walked(WithEmptyTextInsideTheRun(GetParam()));
  RegionalSettings multiByte;
  multiByte.decimalSeparator = "\xE2\x80\xA4";   // one dot leader
  multiByte.thousandsSeparator = "\xC2\xA0";     // no-break space
  RegionalSettings noGrouping;
  noGrouping.decimalSeparator = ",";
  noGrouping.thousandsSeparator = "";
  for (const RegionalSettings& settings : {RegionalSettings{}, multiByte, noGrouping}) {
    SetRegionalSettings(settings);
    for (const double v : RunTestValues()) {
      for (const double value : {v, -v}) {
        std::string fromRun;
        std::string fromWalk;
        run.Append(value, fromRun);
        walked.Append(value, fromWalk);
        ASSERT_EQ(fromRun, fromWalk) << GetParam() << " " << value;
        std::string extended;
        run.Append(static_cast<long double>(value), extended);
        ASSERT_EQ(extended, fromRun) << GetParam() << " " << value;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Codes, NumberPatternRun,
    ::testing::Values("#,##0.00", "0", "0.00", "#,##0", "#.##", "0.0#", "00000", "#,##0.000,",
                      "0.00%", "$ #,##0.00 kg", "#,#,#0.0", "##0.###", ".00",
                      "0.00;(0.00);\"nil\"", "00.00.00", "#,##0.00 \"EUR\"", "#,##0;-#,##0;0",
                      "#,##0.000000000000000000", "000,000,000,000,000,000,000.0##",
                      "0.000000", "#,##0.0000000", "#,##0.0"));

}  // namespace
}  // namespace tabulox
