#include "decimal_digits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

namespace tabulox {
namespace {

// The 18 significant digits of |value| (trailing zeros dropped) and the
// exponent X of 0.D × 10^X, from the C library's correctly rounded printf.
struct Reference {
  std::string digits;
  int exponent = 0;
};

Reference ReferenceDigits(double value) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.17e", std::fabs(value));
  Reference r;
  r.digits.push_back(buf[0]);
  r.digits.append(buf + 2, 17);
  while (!r.digits.empty() && r.digits.back() == '0') r.digits.pop_back();
  r.exponent = std::atoi(std::strchr(buf, 'e') + 1) + 1;
  return r;
}

void ExpectSameDigits(double value) {
  const DecimalDigits d = ToDecimalDigits(value, 18, kNoDecimalLimit);
  const Reference r = ReferenceDigits(value);
  ASSERT_EQ(std::string(d.digits, static_cast<std::size_t>(d.count)), r.digits) << value;
  ASSERT_EQ(d.exponent, r.exponent) << value;
  ASSERT_EQ(d.negative, std::signbit(value)) << value;
}

// The integer route for doubles of ordinary magnitude must give the digits of
// the general conversion, ties at the 18th digit included.
TEST(ToDecimalDigits, EighteenDigitsMatchCorrectRoundingAcrossMagnitudes) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> exponent(-8, 20);
  for (int i = 0; i < 200000; ++i) {
    const double v = mantissa(random) * std::pow(10.0, exponent(random));
    ExpectSameDigits(i % 2 ? v : -v);
  }
}

TEST(ToDecimalDigits, DyadicValuesWithTiesAndRangeEdges) {
  // j / 2^20 have up to 20 decimal places: many end exactly on a 5 at the
  // 19th significant digit.
  std::mt19937_64 random(11);
  std::uniform_int_distribution<std::uint64_t> j(1, std::uint64_t{1} << 40);
  for (int i = 0; i < 100000; ++i) ExpectSameDigits(std::ldexp(static_cast<double>(j(random)), -20));
  for (double v : {1e-4, std::nextafter(1e-4, 0.0), std::nextafter(1e-4, 1.0), 1e17,
                   std::nextafter(1e17, 0.0), 1.0, 0.1, 0.3, 2.5, 9.999999999999999e16,
                   99999999999999999.0, 0.000099999999999999999, 123456789.123456789,
                   4503599627370496.5, 9007199254740993.0})
    ExpectSameDigits(v);
}

TEST(ToDecimalDigits, RoundingToFifteenDigitsCarriesIntoANewDigit) {
  const DecimalDigits d = ToDecimalDigits(0.99999999999999994, 15, kNoDecimalLimit);
  EXPECT_EQ(std::string(d.digits, static_cast<std::size_t>(d.count)), "1");
  EXPECT_EQ(d.exponent, 1);
}

}  // namespace
}  // namespace tabulox
