#include "numfmt/decimal_digits.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>
#include <algorithm>

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

// Integral doubles take a route of their own, without the binary scaling.
TEST(ToDecimalDigits, IntegersMatchCorrectRounding) {
  std::mt19937_64 random(17);
  std::uniform_int_distribution<int> digits(1, 17);
  for (int i = 0; i < 100000; ++i) {
    const int d = digits(random);
    const double top = std::pow(10.0, d);
    const double v = std::floor(std::uniform_real_distribution<double>(top / 10, top)(random));
    ExpectSameDigits(i % 2 ? v : -v);
  }
  for (double v = 1; v < 1e17; v *= 10) {
    ExpectSameDigits(v);
    if (v > 1) ExpectSameDigits(v - 1);
    ExpectSameDigits(v + 1);
  }
  for (double v : {9007199254740992.0, 9007199254740994.0, 99999999999999984.0, 1e17,
                   100000000000000016.0, 123456789012345680.0, 4503599627370497.0})
    ExpectSameDigits(v);
}

TEST(ToDecimalDigits, RoundingToFifteenDigitsCarriesIntoANewDigit) {
  const DecimalDigits d = ToDecimalDigits(0.99999999999999994, 15, kNoDecimalLimit);
  EXPECT_EQ(std::string(d.digits, static_cast<std::size_t>(d.count)), "1");
  EXPECT_EQ(d.exponent, 1);
}

// The digits kept at a limit, rounded half away from zero on the 18-digit form
// of the reference, one digit at a time.
Reference RoundedReference(double value, int maxSignificant, int maxDecimals) {
  const Reference exact = ReferenceDigits(value);
  std::string digits = exact.digits;
  digits.resize(18, '0');
  int exponent = exact.exponent;
  const long long k = static_cast<long long>(exponent) + maxDecimals;
  if (k < 0) return Reference{"", exponent};
  int count = static_cast<int>(std::min<long long>({k, maxSignificant, 18}));
  if (count < 18 && digits[static_cast<std::size_t>(count)] >= '5') {
    int i = count - 1;
    while (i >= 0 && digits[static_cast<std::size_t>(i)] == '9') digits[static_cast<std::size_t>(i--)] = '0';
    if (i >= 0) {
      ++digits[static_cast<std::size_t>(i)];
    } else {
      digits.assign(1, '1');
      count = 1;
      ++exponent;
    }
  }
  digits.resize(static_cast<std::size_t>(count));
  while (!digits.empty() && digits.back() == '0') digits.pop_back();
  return Reference{digits, exponent};
}

// Rounding at the significant-digit and decimal-place limits of the General
// form and the number patterns, carries through runs of nines included.
TEST(ToDecimalDigits, RoundingAtEveryLimitMatchesDigitByDigitRounding) {
  std::mt19937_64 random(13);
  std::uniform_real_distribution<double> mantissa(1.0, 10.0);
  std::uniform_int_distribution<int> exponent(-6, 18);
  std::uniform_int_distribution<int> significant(1, 18);
  std::uniform_int_distribution<int> decimals(0, 20);
  std::vector<double> values = {0.5, 0.05, 0.95, 9.5, 99.95, 0.99999999999999994, 999999.5,
                                1e-4, 12345.675, 0.000123456, 1234567890123456.0};
  for (int i = 0; i < 100000; ++i) values.push_back(mantissa(random) * std::pow(10.0, exponent(random)));
  for (double v : values) {
    const int s = significant(random);
    const int d = decimals(random);
    const DecimalDigits got = ToDecimalDigits(-v, s, d);
    const Reference want = RoundedReference(v, s, d);
    ASSERT_EQ(std::string(got.digits, static_cast<std::size_t>(got.count)), want.digits)
        << v << " " << s << " " << d;
    if (got.count > 0) {
      ASSERT_EQ(got.exponent, want.exponent) << v << " " << s << " " << d;
      ASSERT_TRUE(got.negative);
    }
  }
}

}  // namespace
}  // namespace tabulox
