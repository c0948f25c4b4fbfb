#include "support/general_reference.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <utility>

namespace tabulox::testing {
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
  // binary exponent b, in fixed point (exact for |b| < 1650). With it,
  // x * 10^k lies in [10^17, 10^19).
  exp10 = ((binaryExp + 52) * 78913) >> 18;
  constexpr std::uint64_t kLow = 100000000000000000ULL;  // 10^17
  constexpr std::uint64_t kHigh = kLow * 10;
  const int k = kExactDigits - 1 - exp10;  // 0 <= k <= 22 in the handled range
  const Uint128 scaled = Uint128{mantissa} * kPowersOf10[static_cast<std::size_t>(k)];
  // x * 10^k = quotient + fraction, the fraction compared with one half.
  std::uint64_t quotient;
  bool fractionAboveHalf = false;
  bool fractionIsHalf = false;
  bool fractionIsZero = true;
  if (binaryExp >= 0) {
    quotient = static_cast<std::uint64_t>(scaled << binaryExp);
  } else {
    const int shift = -binaryExp;  // below 128 in the handled range
    const Uint128 whole = scaled >> shift;
    const Uint128 remainder = scaled - (whole << shift);
    const Uint128 half = Uint128{1} << (shift - 1);
    quotient = static_cast<std::uint64_t>(whole);
    fractionAboveHalf = remainder > half;
    fractionIsHalf = remainder == half;
    fractionIsZero = remainder == 0;
  }
  bool roundUp;
  if (quotient >= kHigh) {
    // One digit more than wanted: x * 10^(k-1) = quotient / 10 + (last + fraction) / 10.
    const std::uint64_t last = quotient % 10;
    quotient /= 10;
    ++exp10;
    roundUp = last > 5 || (last == 5 && (!fractionIsZero || (quotient & 1) != 0));
  } else {
    roundUp = fractionAboveHalf || (fractionIsHalf && (quotient & 1) != 0);
  }
  digits = quotient + (roundUp ? 1 : 0);
  if (digits == kHigh) {
    digits = kLow;
    ++exp10;
  }
}

// The kExactDigits digits of a non-zero integral magnitude below
// kExactRangeHigh: exact, so no rounding is needed.
void ExactDigitsOfInteger(std::uint64_t n, std::uint64_t& digits, int& exponent) {
  // bit_width(n) * log10(2) in fixed point is the number of decimal digits of n
  // or one less.
  int count = (static_cast<int>(std::bit_width(n)) * 1233) >> 12;
  if (n >= static_cast<std::uint64_t>(kPowersOf10[static_cast<std::size_t>(count)])) ++count;
  const auto scale = kPowersOf10[static_cast<std::size_t>(kExactDigits - count)];
  digits = n * static_cast<std::uint64_t>(scale);
  exponent = count;
}

// The scientific form of the magnitude with kExactDigits significant digits,
// correctly rounded (nearest, ties to even), read back as N and X.
template <class Float>
void ExactDigitsByConversion(Float magnitude, std::uint64_t& digits, int& exponent) {
  char buf[64];
  const auto conv = std::to_chars(buf, buf + sizeof buf, magnitude,
                                  std::chars_format::scientific, kExactDigits - 1);
  digits = static_cast<std::uint64_t>(buf[0] - '0');
  for (int i = 2; i < kExactDigits + 1; ++i) digits = digits * 10 + static_cast<std::uint64_t>(buf[i] - '0');
  const char* expSign = buf + kExactDigits + 2;  // just after the 'e'
  int exp10 = 0;
  std::from_chars(*expSign == '+' ? expSign + 1 : expSign, conv.ptr, exp10);
  exponent = exp10 + 1;
}

// The kExactDigits digits of a finite, positive double as an integer N in
// [10^17, 10^18), and the exponent X of 0.D × 10^X.
void ExactDigits(double magnitude, std::uint64_t& digits, int& exponent) {
  if (magnitude < kExactRangeHigh) {
    const auto whole = static_cast<std::uint64_t>(magnitude);
    if (whole != 0 && static_cast<double>(whole) == magnitude) {
      ExactDigitsOfInteger(whole, digits, exponent);
      return;
    }
    if (magnitude >= kExactRangeLow) {
      int exp10 = 0;
      ExactDigitsOfDouble(magnitude, digits, exp10);
      exponent = exp10 + 1;
      return;
    }
  }
  ExactDigitsByConversion(magnitude, digits, exponent);
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
// zeros included: eight digits at a time in 32-bit arithmetic, two per step.
void WriteDigits(std::uint64_t n, int count, char* out) {
  constexpr std::uint64_t kTenTo8 = 100'000'000;
  char* p = out + count;
  while (p - out > 8) {
    auto eight = static_cast<std::uint32_t>(n % kTenTo8);
    n /= kTenTo8;
    for (int i = 0; i < 4; ++i) {
      const std::size_t pair = (eight % 100) * 2;
      eight /= 100;
      p -= 2;
      p[0] = kDigitPairs[pair];
      p[1] = kDigitPairs[pair + 1];
    }
  }
  auto rest = static_cast<std::uint32_t>(n);
  while (p - out >= 2) {
    const std::size_t pair = (rest % 100) * 2;
    rest /= 100;
    p -= 2;
    p[0] = kDigitPairs[pair];
    p[1] = kDigitPairs[pair + 1];
  }
  if (p != out) *--p = static_cast<char>('0' + rest);
}

// Keeps at most `maxSignificant` digits and at most `maxDecimals` decimal places
// of the kExactDigits-digit form N (not 0) with exponent X, rounding half away
// from zero.
DecimalDigits Rounded(std::uint64_t digits, int exponent, bool negative, int maxSignificant,
                      int maxDecimals) {
  DecimalDigits result;
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
    const auto dropped =
        static_cast<std::uint64_t>(kPowersOf10[static_cast<std::size_t>(kExactDigits - count)]);
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
  constexpr std::uint64_t kTenTo8 = 100'000'000;
  while (count > 8 && digits % kTenTo8 == 0) {
    digits /= kTenTo8;
    count -= 8;
  }
  WriteDigits(digits, count, result.digits);
  // The first digit is not 0, so the trailing zeros end before it.
  while (result.digits[count - 1] == '0') --count;
  result.count = count;
  result.negative = negative;
  return result;
}

// Integers of smaller magnitude have at most 15 digits: their General form is
// the integer itself.
constexpr double kPlainIntegerLimit = 1e15;

void AppendInt(int value, std::string& out) {
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, r.ptr);
}

}  // namespace

DecimalDigits ReferenceToDecimalDigits(double value, int maxSignificant, int maxDecimals) {
  if (value == 0 || !std::isfinite(value)) return DecimalDigits{};
  std::uint64_t digits = 0;
  int exponent = 0;
  ExactDigits(std::fabs(value), digits, exponent);
  return Rounded(digits, exponent, std::signbit(value), maxSignificant, maxDecimals);
}

DecimalDigits ReferenceToDecimalDigits(long double value, int maxSignificant, int maxDecimals) {
  const auto narrow = static_cast<double>(value);
  if (static_cast<long double>(narrow) == value)
    return ReferenceToDecimalDigits(narrow, maxSignificant, maxDecimals);
  if (std::isnan(value) || std::isinf(value)) return DecimalDigits{};
  std::uint64_t digits = 0;
  int exponent = 0;
  ExactDigitsByConversion(std::fabs(value), digits, exponent);
  return Rounded(digits, exponent, std::signbit(value), maxSignificant, maxDecimals);
}

void ReferenceAppendGeneral(double value, std::string_view decimal, std::string& out) {
  if (std::fabs(value) < kPlainIntegerLimit) {
    const auto whole = static_cast<std::int64_t>(value);
    if (static_cast<double>(whole) == value) {  // -0.0 too, written "0"
      char buf[24];
      const auto r = std::to_chars(buf, buf + sizeof buf, whole);
      out.append(buf, static_cast<std::size_t>(r.ptr - buf));
      return;
    }
  }
  if (std::isinf(value)) {
    out += value > 0 ? "INF" : "-INF";
    return;
  }
  if (std::isnan(value)) {
    out += "NAN";
    return;
  }
  const DecimalDigits d = ReferenceToDecimalDigits(value, 15, kNoDecimalLimit);
  if (d.negative && d.count > 0) out.push_back('-');
  const int x = d.exponent;
  if (x > 15 || x < -3) {
    out.push_back(d.digits[0]);
    if (d.count > 1) {
      out += decimal;
      out.append(d.digits + 1, static_cast<std::size_t>(d.count - 1));
    }
    out.push_back('E');
    if (x - 1 < 0) out.push_back('-');
    AppendInt(std::abs(x - 1), out);
  } else if (x > 0) {
    if (d.count >= x) {
      out.append(d.digits, static_cast<std::size_t>(x));
      if (d.count > x) {
        out += decimal;
        out.append(d.digits + x, static_cast<std::size_t>(d.count - x));
      }
    } else {
      out.append(d.digits, static_cast<std::size_t>(d.count));
      out.append(static_cast<std::size_t>(x - d.count), '0');
    }
  } else {
    out.push_back('0');
    if (d.count > 0) {
      out += decimal;
      out.append(static_cast<std::size_t>(-x), '0');
      out.append(d.digits, static_cast<std::size_t>(d.count));
    }
  }
}

}  // namespace tabulox::testing
