#include "decimal_digits.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace tabulox {

DecimalDigits ToDecimalDigits(long double value, int maxSignificant, int maxDecimals) {
  DecimalDigits result;
  if (value == 0 || std::isnan(value) || std::isinf(value)) return result;

  // Exact shortest-free conversion: 18 significant digits, correctly rounded.
  char buf[64];
  const long double magnitude = std::fabs(value);
  const auto conv = std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::scientific, 17);
  // buf holds "d.ddddddddddddddddde[+-]XX".
  char digits[18];
  digits[0] = buf[0];
  std::copy(buf + 2, buf + 19, digits + 1);
  const char* expStart = buf + 20;  // after 'e'
  int exp10 = 0;
  std::from_chars(expStart[0] == '+' ? expStart + 1 : expStart, conv.ptr, exp10);
  int exponent = exp10 + 1;

  int count = 18;
  if (maxDecimals != kNoDecimalLimit) {
    const long long k = static_cast<long long>(exponent) + maxDecimals;
    if (k < 0) return result;
    count = static_cast<int>(std::min<long long>(k, maxSignificant));
  } else {
    count = maxSignificant;
  }
  if (count < 18) {
    const bool roundUp = digits[count] >= '5';
    if (roundUp) {
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
  } else {
    count = 18;
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
