#include "decimal_digits.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

namespace tabulox {
namespace {

// Significant digits of the exact intermediate form that all later rounding
// works on.
constexpr int kExactDigits = 18;

__extension__ using Uint128 = unsigned __int128;

// The magnitudes that ExactDigitsOfDouble handles: x * 10^k stays below 2^128
// for its mantissa and k, and the binary point lies within 128 bits.
constexpr double kExactRangeLow = 1e-4;
constexpr double kExactRangeHigh = 1e17;

// 10^0 .. 10^23: the scale factors k of ExactDigitsOfDouble, one to spare.
constexpr int kPowerCount = 24;
constexpr std::array<Uint128, kPowerCount> kPowersOf10 = [] {
  std::array<Uint128, kPowerCount> p{};
  p[0] = 1;
  for (std::size_t i = 1; i < p.size(); ++i) p[i] = p[i - 1] * 10;
  return p;
}();

// The kExactDigits-digit decimal form of a double in [kExactRangeLow,
// kExactRangeHigh), correctly rounded (nearest, ties to even), from integer
// arithmetic on its mantissa: N = round(x * 10^k) with N in [10^17, 10^18).
// Gives N and the exponent of its first digit (x ~ N * 10^(exp10 - 17)).
void ExactDigitsOfDouble(double x, std::uint64_t& digits, int& exp10) {
  std::uint64_t bits;
  std::memcpy(&bits, &x, sizeof bits);
  const std::uint64_t mantissa = (bits & ((std::uint64_t{1} << 52) - 1)) | (std::uint64_t{1} << 52);
  const int binaryExp = static_cast<int>((bits >> 52) & 0x7FF) - 1075;  // x = mantissa * 2^binaryExp
  // floor(log10 x) is this estimate or one more: floor(b * log10(2)) for the
  // binary exponent b, in fixed point (exact for |b| < 1650).
  exp10 = ((binaryExp + 52) * 78913) >> 18;
  constexpr std::uint64_t kLow = 100000000000000000ULL;  // 10^17
  constexpr std::uint64_t kHigh = kLow * 10;
  for (;;) {
    const int k = kExactDigits - 1 - exp10;  // 0 <= k <= 22 in the handled range
    const Uint128 scaled = Uint128{mantissa} * kPowersOf10[static_cast<std::size_t>(k)];
    Uint128 quotient;
    bool roundUp = false;
    if (binaryExp >= 0) {
      quotient = scaled << binaryExp;
    } else {
      const int shift = -binaryExp;  // below 128 in the handled range
      quotient = scaled >> shift;
      const Uint128 remainder = scaled - (quotient << shift);
      const Uint128 half = Uint128{1} << (shift - 1);
      roundUp = remainder > half || (remainder == half && (quotient & 1) != 0);
    }
    if (quotient >= kHigh) {
      ++exp10;
      continue;
    }
    if (quotient < kLow) {
      --exp10;
      continue;
    }
    digits = static_cast<std::uint64_t>(quotient) + (roundUp ? 1 : 0);
    if (digits == kHigh) {
      digits = kLow;
      ++exp10;
    }
    return;
  }
}

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

// The kExactDigits digits of the magnitude as an integer N in [10^17, 10^18),
// and the exponent X of 0.D × 10^X.
void ExactDigits(long double magnitude, std::uint64_t& digits, int& exponent) {
  const double narrow = static_cast<double>(magnitude);
  if (narrow >= kExactRangeLow && narrow < kExactRangeHigh &&
      static_cast<long double>(narrow) == magnitude) {
    int exp10 = 0;
    ExactDigitsOfDouble(narrow, digits, exp10);
    exponent = exp10 + 1;
    return;
  }
  char buf[64];
  const auto conv = ToScientific(buf, buf + sizeof buf, magnitude);
  digits = static_cast<std::uint64_t>(buf[0] - '0');
  for (int i = 2; i < kExactDigits + 1; ++i) digits = digits * 10 + static_cast<std::uint64_t>(buf[i] - '0');
  const char* expSign = buf + kExactDigits + 2;  // just after the 'e'
  int exp10 = 0;
  std::from_chars(*expSign == '+' ? expSign + 1 : expSign, conv.ptr, exp10);
  exponent = exp10 + 1;
}

// Divides the `count`-digit number n (not 0) by 10 for each trailing zero.
void DropTrailingZeros(std::uint64_t& n, int& count) {
  constexpr std::uint64_t kTenTo8 = 100'000'000;
  while (n % kTenTo8 == 0) {
    n /= kTenTo8;
    count -= 8;
  }
  for (const auto& [factor, digits] : {std::pair<std::uint64_t, int>{10'000, 4}, {100, 2}, {10, 1}}) {
    if (n % factor == 0) {
      n /= factor;
      count -= digits;
    }
  }
}

// "00" "01" ... "99": two digits per table lookup.
constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (std::size_t i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

// Writes the `count` decimal digits of `n` (n < 10^count) to `out`, leading
// zeros included.
void WriteDigits(std::uint64_t n, int count, char* out) {
  char* p = out + count;
  while (p - out >= 2) {
    const std::size_t pair = static_cast<std::size_t>(n % 100) * 2;
    n /= 100;
    p -= 2;
    p[0] = kDigitPairs[pair];
    p[1] = kDigitPairs[pair + 1];
  }
  if (p != out) *--p = static_cast<char>('0' + n);
}

}  // namespace

DecimalDigits ToDecimalDigits(long double value, int maxSignificant, int maxDecimals) {
  DecimalDigits result;
  if (value == 0 || std::isnan(value) || std::isinf(value)) return result;

  std::uint64_t digits = 0;
  int exponent = 0;
  ExactDigits(std::fabs(value), digits, exponent);

  int count = kExactDigits;
  if (maxDecimals != kNoDecimalLimit) {
    const long long k = static_cast<long long>(exponent) + maxDecimals;
    if (k < 0) return result;
    count = static_cast<int>(std::min<long long>(k, maxSignificant));
  } else {
    count = maxSignificant;
  }
  count = std::clamp(count, 0, kExactDigits);
  if (count < kExactDigits) {
    // Keep the first `count` digits; the digit after them decides, so a rest
    // of at least 5 × 10^(dropped − 1) rounds up.
    const Uint128 scale = kPowersOf10[static_cast<std::size_t>(kExactDigits - count)];
    const auto dropped = static_cast<std::uint64_t>(scale);
    const std::uint64_t rest = digits % dropped;
    digits /= dropped;
    if (rest >= dropped / 2) ++digits;
    if (digits == static_cast<std::uint64_t>(kPowersOf10[static_cast<std::size_t>(count)])) {
      // 9…9 carried into a new first digit.
      digits = 1;
      count = 1;
      ++exponent;
    }
  }
  result.exponent = exponent;
  if (count == 0) return result;
  DropTrailingZeros(digits, count);
  WriteDigits(digits, count, result.digits);
  result.count = count;
  result.negative = std::signbit(value);
  return result;
}

}  // namespace tabulox
