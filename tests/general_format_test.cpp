#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "numfmt/decimal_digits.h"
#include "numfmt/general_format.h"
#include "numfmt/regional_settings.h"

namespace tabulox {
namespace {

class GeneralFormat : public ::testing::Test {
 protected:
  void SetUp() override { SetRegionalSettings(RegionalSettings{}); }
};

TEST_F(GeneralFormat, PlainForms) {
  EXPECT_EQ(FormatGeneral(0), "0");
  EXPECT_EQ(FormatGeneral(-0.0), "0");
  EXPECT_EQ(FormatGeneral(0.1 + 0.2), "0.3");
  EXPECT_EQ(FormatGeneral(123456789012345.0), "123456789012345");
  EXPECT_EQ(FormatGeneral(0.0001), "0.0001");
  EXPECT_EQ(FormatGeneral(1.0 / 3.0), "0.333333333333333");
  EXPECT_EQ(FormatGeneral(-2.5), "-2.5");
  EXPECT_EQ(FormatGeneral(100), "100");
  EXPECT_EQ(FormatGeneral(39448), "39448");
}

TEST_F(GeneralFormat, ExponentForms) {
  EXPECT_EQ(FormatGeneral(1e15), "1E15");
  EXPECT_EQ(FormatGeneral(0.00001), "1E-5");
  EXPECT_EQ(FormatGeneral(1.5e-7), "1.5E-7");
  EXPECT_EQ(FormatGeneral(-1.25e20), "-1.25E20");
  EXPECT_EQ(FormatGeneral(1.7976931348623157e308), "1.79769313486232E308");
}

TEST_F(GeneralFormat, RoundingCarriesIntoANewDigit) {
  EXPECT_EQ(FormatGeneral(999999999999999.9), "1E15");
  EXPECT_EQ(FormatGeneral(0.99999999999999999), "1");
}

// The General form of a value through its 15 significant digits, as for any
// value; integers below 10^15 are written without that route.
std::string GeneralThroughDigits(double value) {
  const DecimalDigits d = ToDecimalDigits(value, 15, kNoDecimalLimit);
  if (d.count == 0) return "0";
  std::string text = d.negative ? "-" : "";
  text.append(d.digits, static_cast<std::size_t>(d.count));
  text.append(static_cast<std::size_t>(d.exponent - d.count), '0');
  return text;
}

TEST_F(GeneralFormat, IntegersBelowTenToTheFifteenAreWrittenWhole) {
  std::vector<double> values = {0.0,  -0.0, 1.0, -1.0, 9.0, 10.0, 999999999999999.0,
                                -999999999999999.0, 100000000000000.0, 4503599627370496.0 / 8};
  std::mt19937_64 random(23);
  std::uniform_int_distribution<int> digits(1, 15);
  for (int i = 0; i < 50000; ++i) {
    const double top = std::pow(10.0, digits(random));
    const double v = std::floor(std::uniform_real_distribution<double>(0, top)(random));
    values.push_back(i % 2 ? v : -v);
  }
  for (const double v : values) ASSERT_EQ(FormatGeneral(v), GeneralThroughDigits(v)) << v;
  EXPECT_EQ(FormatGeneral(-0.0), "0");
  EXPECT_EQ(FormatGeneral(-999999999999999.0), "-999999999999999");
  EXPECT_EQ(FormatGeneral(999999999999999.5), "1E15");
  EXPECT_EQ(FormatGeneral(-1e15), "-1E15");
}

TEST_F(GeneralFormat, InfinitiesAndNan) {
  EXPECT_EQ(FormatGeneral(std::numeric_limits<double>::infinity()), "INF");
  EXPECT_EQ(FormatGeneral(-std::numeric_limits<double>::infinity()), "-INF");
  EXPECT_EQ(FormatGeneral(std::nan("")), "NAN");
}

TEST_F(GeneralFormat, UsesTheRegionalDecimalSeparator) {
  RegionalSettings german;
  german.decimalSeparator = ",";
  SetRegionalSettings(german);
  EXPECT_EQ(FormatGeneral(1.5), "1,5");
  EXPECT_EQ(FormatGeneral(1.5e-7), "1,5E-7");
}

TEST(DecimalDigits, DecimalLimitRoundsHalfAwayFromZero) {
  DecimalDigits d = ToDecimalDigits(0.5L, 18, 0);
  EXPECT_EQ(std::string(d.digits, d.count), "1");
  EXPECT_EQ(d.exponent, 1);
  d = ToDecimalDigits(0.4L, 18, 0);
  EXPECT_EQ(d.count, 0);
  EXPECT_FALSE(d.negative);
  // 2.675 is stored just below itself, so two places give 2.67.
  d = ToDecimalDigits(2.675, 18, 2);
  EXPECT_EQ(std::string(d.digits, d.count), "267");
  d = ToDecimalDigits(-0.001, 18, 2);
  EXPECT_EQ(d.count, 0);
  EXPECT_FALSE(d.negative);
  d = ToDecimalDigits(0.005, 18, 2);
  EXPECT_EQ(std::string(d.digits, d.count), "1");
  EXPECT_EQ(d.exponent, -1);
}

}  // namespace
}  // namespace tabulox
