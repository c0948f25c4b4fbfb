#include "decimal_digits.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace tabulox {
namespace {

// Significant digits of the exact intermediate form that all later rounding
// works on.
constexpr int kExactDigits = 18;

// Writes the magnitude in scientific form with kExactDigits significant digits,
// correctly rounded (nearest, ties to even): "d.ddddddddddddddddde[+-]X...".
// A value that a double holds exactly goes through the double conversion,
// which gives the same digits several times faster.
std::to_chars_result ToScientific(char* first, char* last, long double magnitude) {
  if (magnitude <= std::numeric_limits<double>::max()) {
    const double narrow = static_cast<double>(magnitude);
    if (static_cast<long double>(narrow) == magnitude)
      return std::to_chars(first, last, narrow, std::chars_format::scientific, kExactDigits - 1);
  }
  return std::to_chars(first, last, magnitude, std::chars_format::scientific, kExactDigits - 1);
}

}  // namespace

DecimalDigits ToDecimalDigits(long double value, int maxSignificant, int maxDecimals) {
  DecimalDigits result;
  if (value == 0 || std::isnan(value) || std::isinf(value)) return result;

  char buf[64];
  const auto conv = ToScientific(buf, buf + sizeof buf, std::fabs(value));
  char digits[kExactDigits];
  digits[0] = buf[0];
  std::copy(buf + 2, buf + kExactDigits + 1, digits + 1);
  const char* expSign = buf + kExactDigits + 2;  // just after the 'e'
  int exp10 = 0;
  std::from_chars(*expSign == '+' ? expSign + 1 : expSign, conv.ptr, exp10);
  int exponent = exp10 + 1;

  int count = kExactDigits;
  if (maxDecimals != kNoDecimalLimit) {
    const long long k = static_cast<long long>(exponent) + maxDecimals;
    if (k < 0) return result;
    count = static_cast<int>(std::min<long long>(k, maxSignificant));
  } else {
    count = maxSignificant;
  }
  count = std::clamp(count, 0, kExactDigits);
  if (count < kExactDigits && digits[count] >= '5') {
    int i = count - 1;
    while (i >= 0 && digits[i] == '9') {
      digits[i] = '0';
      --i;
    }
    if (i >= 0) {
      ++digits[i];
    } else {
      digits[0] = '1';
      count = 1;
      ++exponent;
    }
  }
  while (count > 0 && digits[count - 1] == '0') --count;
  result.exponent = exponent;
  if (count == 0) return result;
  std::copy(digits, digits + count, result.digits);
  result.count = count;
  result.negative = std::signbit(value);
  return result;
}

}  // namespace tabulox
