#include "numfmt/decimal_digits.h"

#include <algorithm>
#include <array>
#include <bit>
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
inline void ExactDigitsOfDouble(double x, std::uint64_t& digits, int& exp10) {
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
    // The quotient with one bit more, the bit worth one half. The bits below
    // that one are all zero when scaled = mantissa * 2^k * 5^k has at least
    // shift - 1 trailing zero bits.
    const Uint128 halves = scaled >> (shift - 1);
    const bool halfBit = (halves & 1) != 0;
    const bool belowHalfIsZero = std::countr_zero(mantissa) + k >= shift - 1;
    quotient = static_cast<std::uint64_t>(halves >> 1);
    fractionAboveHalf = halfBit && !belowHalfIsZero;
    fractionIsHalf = halfBit && belowHalfIsZero;
    fractionIsZero = !halfBit && belowHalfIsZero;
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

constexpr std::uint64_t kTenTo8 = 100'000'000;
constexpr std::uint64_t kTenTo10 = 10'000'000'000;
constexpr std::uint64_t kTenTo17 = 100'000'000'000'000'000;
constexpr std::uint64_t kTenTo18 = kTenTo17 * 10;

// 5 × 10^(p−1): half a unit of the last digit kept when p digits are dropped.
constexpr std::array<std::uint64_t, kExactDigits + 1> kHalfUnits = [] {
  std::array<std::uint64_t, kExactDigits + 1> half{};
  for (std::size_t p = 1; p < half.size(); ++p) half[p] = static_cast<std::uint64_t>(kPowersOf10[p] / 2);
  return half;
}();

// n mod 10^p for 1 <= p <= kExactDigits. Each case divides by a constant, which
// the compiler turns into a multiplication.
std::uint64_t RemainderByPowerOf10(std::uint64_t n, int p) {
  switch (p) {
    case 1: return n % 10ULL;
    case 2: return n % 100ULL;
    case 3: return n % 1'000ULL;
    case 4: return n % 10'000ULL;
    case 5: return n % 100'000ULL;
    case 6: return n % 1'000'000ULL;
    case 7: return n % 10'000'000ULL;
    case 8: return n % 100'000'000ULL;
    case 9: return n % 1'000'000'000ULL;
    case 10: return n % 10'000'000'000ULL;
    case 11: return n % 100'000'000'000ULL;
    case 12: return n % 1'000'000'000'000ULL;
    case 13: return n % 10'000'000'000'000ULL;
    case 14: return n % 100'000'000'000'000ULL;
    case 15: return n % 1'000'000'000'000'000ULL;
    case 16: return n % 10'000'000'000'000'000ULL;
    case 17: return n % 100'000'000'000'000'000ULL;
    default: return n % kTenTo18;
  }
}

// The eight decimal digits of n < 10^8, leading zeros included, as the byte
// values 0..9 of one word, first digit in the lowest byte.
inline std::uint64_t DigitBytes(std::uint32_t n) {
  std::uint64_t bytes = 0;
  for (int i = 7; i >= 0; --i) {
    bytes |= std::uint64_t{n % 10} << (8 * i);
    n /= 10;
  }
  return bytes;
}

// Stores the eight digits of DigitBytes as characters.
inline void StoreDigitBytes(std::uint64_t bytes, char* out) {
  std::uint64_t text = bytes + 0x3030'3030'3030'3030ULL;  // + '0' in every byte
  if constexpr (std::endian::native == std::endian::big) text = __builtin_bswap64(text);
  std::memcpy(out, &text, sizeof text);
}

// The number of trailing zero digits of a DigitBytes word that is not 0: its
// zero top bytes.
inline int TrailingZeroDigits(std::uint64_t bytes) { return std::countl_zero(bytes) >> 3; }

// Writes the significant digits of n in [10^17, 10^18), without its trailing
// zeros, to `out` (room for kExactDigits) and returns how many there are: 8, 8
// and 2 digits, the later parts only when not zero.
inline int WriteSignificantDigits(std::uint64_t n, char* out) {
  const std::uint64_t firstBytes = DigitBytes(static_cast<std::uint32_t>(n / kTenTo10));
  const std::uint64_t rest = n % kTenTo10;
  StoreDigitBytes(firstBytes, out);
  if (rest == 0) return 8 - TrailingZeroDigits(firstBytes);
  const std::uint64_t secondBytes = DigitBytes(static_cast<std::uint32_t>(rest / 100));
  StoreDigitBytes(secondBytes, out + 8);
  const auto last = static_cast<std::uint32_t>(rest % 100);
  if (last == 0) return 16 - TrailingZeroDigits(secondBytes);
  out[16] = static_cast<char>('0' + last / 10);
  out[17] = static_cast<char>('0' + last % 10);
  return last % 10 == 0 ? 17 : 18;
}

// Keeps at most `maxSignificant` digits and at most `maxDecimals` decimal places
// of the kExactDigits-digit form N (not 0) with exponent X, rounding half away
// from zero.
inline DecimalDigits Rounded(std::uint64_t digits, int exponent, bool negative, int maxSignificant,
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
    // N rounded to a multiple of 10^dropped, half away from zero: half a unit
    // of the last kept digit added, then the dropped digits cleared. N stays
    // below 2 × 10^18, well inside 64 bits.
    const int dropped = kExactDigits - count;
    digits += kHalfUnits[static_cast<std::size_t>(dropped)];
    digits -= RemainderByPowerOf10(digits, dropped);
    if (digits == 0) {  // no digit kept, and the value rounded down to 0
      result.exponent = exponent;
      return result;
    }
    if (digits == kTenTo18) {  // 9…9 carried into a new first digit
      digits = kTenTo17;
      ++exponent;
    }
  }
  result.exponent = exponent;
  result.count = WriteSignificantDigits(digits, result.digits);
  result.negative = negative;
  return result;
}

}  // namespace

DecimalDigits ToDecimalDigits(double value, int maxSignificant, int maxDecimals) {
  if (value == 0 || !std::isfinite(value)) return DecimalDigits{};
  std::uint64_t digits = 0;
  int exponent = 0;
  ExactDigits(std::fabs(value), digits, exponent);
  return Rounded(digits, exponent, std::signbit(value), maxSignificant, maxDecimals);
}

int WriteGeneralDigits(double value, char* out, int& exponent) {
  const double magnitude = std::fabs(value);
  if (magnitude >= kExactRangeLow && magnitude < kExactRangeHigh &&
      static_cast<double>(static_cast<std::int64_t>(magnitude)) != magnitude) {
    std::uint64_t digits = 0;
    int exp10 = 0;
    ExactDigitsOfDouble(magnitude, digits, exp10);
    // As Rounded does at kGeneralDigits: half away from zero on the exact form.
    constexpr std::uint64_t kTenTo14 = kTenTo17 / 1000;
    static_assert(kExactDigits - kGeneralDigits == 3);
    std::uint64_t kept = (digits + 500) / 1000;  // in [10^14, 10^15]
    exponent = exp10 + 1;
    if (kept == kTenTo14 * 10) {
      kept = kTenTo14;
      ++exponent;
    }
    // 7 + 8 digits: the first word's leading zero digit is shifted out; its
    // top byte, then always 0, is stored as a '0' that the second word
    // overwrites, and counts as one trailing zero more.
    const std::uint64_t headBytes = DigitBytes(static_cast<std::uint32_t>(kept / kTenTo8)) >> 8;
    const std::uint64_t tailBytes = DigitBytes(static_cast<std::uint32_t>(kept % kTenTo8));
    StoreDigitBytes(headBytes, out);
    StoreDigitBytes(tailBytes, out + 7);
    if (tailBytes != 0) return kGeneralDigits - TrailingZeroDigits(tailBytes);
    return 8 - TrailingZeroDigits(headBytes);
  }
  const DecimalDigits d = ToDecimalDigits(value, kGeneralDigits, kNoDecimalLimit);
  std::memcpy(out, d.digits, kGeneralDigits);
  exponent = d.exponent;
  return d.count;
}

DecimalDigits RoundedToDecimals(const DecimalDigits& digits, int maxDecimals) {
  const long long keep = static_cast<long long>(digits.exponent) + maxDecimals;
  if (keep >= digits.count) return digits;
  DecimalDigits result;
  result.exponent = digits.exponent;
  if (keep < 0) return result;
  auto count = static_cast<int>(keep);
  const bool roundUp = digits.digits[count] >= '5';
  std::memcpy(result.digits, digits.digits, static_cast<std::size_t>(count));
  if (roundUp) {
    // Nines carried over become trailing zeros, which are dropped.
    while (count > 0 && result.digits[count - 1] == '9') --count;
    if (count == 0) {
      result.digits[0] = '1';
      count = 1;
      ++result.exponent;
    } else {
      ++result.digits[count - 1];
    }
  }
  while (count > 0 && result.digits[count - 1] == '0') --count;
  result.count = count;
  result.negative = count > 0 && digits.negative;
  return result;
}

DecimalDigits ToDecimalDigits(long double value, int maxSignificant, int maxDecimals) {
  const auto narrow = static_cast<double>(value);
  if (static_cast<long double>(narrow) == value)
    return ToDecimalDigits(narrow, maxSignificant, maxDecimals);
  if (std::isnan(value) || std::isinf(value)) return DecimalDigits{};
  std::uint64_t digits = 0;
  int exponent = 0;
  ExactDigitsByConversion(std::fabs(value), digits, exponent);
  return Rounded(digits, exponent, std::signbit(value), maxSignificant, maxDecimals);
}

}  // namespace tabulox
