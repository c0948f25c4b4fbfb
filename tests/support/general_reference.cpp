#include "support/general_reference.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <vector>

namespace tabulox::testing {
namespace {

// A non-negative integer of any size, in base 10^9 with the lowest limb first,
// so that its decimal digits are the limbs written out.
class BigInteger {
 public:
  explicit BigInteger(std::uint64_t n) {
    do {
      limbs_.push_back(static_cast<std::uint32_t>(n % kBase));
      n /= kBase;
    } while (n != 0);
  }

  // this × base^power, in steps of the largest power of `base` below 2^32.
  void MultiplyByPower(std::uint32_t base, int power) {
    std::uint32_t step = 1;
    int stepPower = 0;
    while (std::uint64_t{step} * base <= UINT32_MAX) {
      step *= base;
      ++stepPower;
    }
    for (; power >= stepPower; power -= stepPower) MultiplyBy(step);
    for (; power > 0; --power) MultiplyBy(base);
  }

  // The decimal digits, without leading zeros.
  std::string ToDecimal() const {
    std::string text = std::to_string(limbs_.back());
    for (auto limb = limbs_.rbegin() + 1; limb != limbs_.rend(); ++limb) {
      char nine[16];
      std::snprintf(nine, sizeof nine, "%09u", static_cast<unsigned>(*limb));
      text += nine;
    }
    return text;
  }

 private:
  static constexpr std::uint64_t kBase = 1'000'000'000;

  // A limb times a factor below 2^32, plus a carry below 2^32, stays below 2^64.
  void MultiplyBy(std::uint32_t factor) {
    std::uint64_t carry = 0;
    for (std::uint32_t& limb : limbs_) {
      const std::uint64_t product = std::uint64_t{limb} * factor + carry;
      limb = static_cast<std::uint32_t>(product % kBase);
      carry = product / kBase;
    }
    for (; carry != 0; carry /= kBase) limbs_.push_back(static_cast<std::uint32_t>(carry % kBase));
  }

  std::vector<std::uint32_t> limbs_;
};

// The exact expansion of a finite value. Its magnitude is m × 2^e with an
// integer m of the type's precision; for e < 0 that is m × 5^-e / 10^-e, so
// the digits are those of an integer either way.
template <class Float>
ExactDecimal ExactDecimalOfFloat(Float value) {
  ExactDecimal exact;
  if (value == 0) return exact;
  exact.negative = std::signbit(value);
  constexpr int kBits = std::numeric_limits<Float>::digits;
  int e = 0;
  const Float fraction = std::frexp(std::fabs(value), &e);  // in [0.5, 1)
  const auto m = static_cast<std::uint64_t>(std::ldexp(fraction, kBits));
  e -= kBits;
  BigInteger n(m);
  int pointShift = 0;  // magnitude = n × 10^pointShift
  if (e >= 0) {
    n.MultiplyByPower(2, e);
  } else {
    n.MultiplyByPower(5, -e);
    pointShift = e;
  }
  exact.digits = n.ToDecimal();
  exact.exponent = static_cast<int>(exact.digits.size()) + pointShift;
  while (exact.digits.back() == '0') exact.digits.pop_back();
  return exact;
}

// Keeps the first `count` digits; when `roundUp`, adds one unit in the last
// kept place (a run of nines carries, and nines all through become a 1 one
// decade up). Trailing zeros are dropped.
void KeepDigits(ExactDecimal& d, std::size_t count, bool roundUp) {
  d.digits.resize(count);
  if (roundUp) {
    std::size_t i = count;
    while (i > 0 && d.digits[i - 1] == '9') {
      d.digits[i - 1] = '0';
      --i;
    }
    if (i == 0) {
      d.digits = "1";
      ++d.exponent;
    } else {
      ++d.digits[i - 1];
    }
  }
  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
}

constexpr std::size_t kIntermediateDigits = 18;

}  // namespace

ExactDecimal ExactDecimalOf(double value) { return ExactDecimalOfFloat(value); }
ExactDecimal ExactDecimalOf(long double value) { return ExactDecimalOfFloat(value); }

DecimalDigits ReferenceDigits(const ExactDecimal& exact, int maxSignificant, int maxDecimals) {
  ExactDecimal d = exact;
  if (d.digits.empty()) return DecimalDigits{};

  // Nearest 18 significant digits; exactly half way goes to the even one.
  if (d.digits.size() > kIntermediateDigits) {
    const char next = d.digits[kIntermediateDigits];
    const bool restIsZero = d.digits.find_first_not_of('0', kIntermediateDigits + 1) == std::string::npos;
    const bool lastIsOdd = (d.digits[kIntermediateDigits - 1] - '0') % 2 == 1;
    KeepDigits(d, kIntermediateDigits, next > '5' || (next == '5' && (!restIsZero || lastIsOdd)));
  }

  // How many of those digits are kept: the first `exponent` digits stand
  // before the decimal point, so the last decimal place allowed is digit
  // exponent + maxDecimals.
  long long keep = maxSignificant;
  if (maxDecimals != kNoDecimalLimit) {
    const long long throughLastPlace = static_cast<long long>(d.exponent) + maxDecimals;
    if (throughLastPlace < 0) return DecimalDigits{};
    keep = std::min(keep, throughLastPlace);
  }
  // Half away from zero: the first dropped digit alone decides.
  if (keep < static_cast<long long>(d.digits.size())) {
    const auto count = static_cast<std::size_t>(keep);
    KeepDigits(d, count, d.digits[count] >= '5');
  }

  DecimalDigits result;
  result.exponent = d.exponent;
  if (d.digits.empty()) return result;  // rounded down to nothing
  std::copy(d.digits.begin(), d.digits.end(), result.digits);
  result.count = static_cast<int>(d.digits.size());
  result.negative = d.negative;
  return result;
}

DecimalDigits ReferenceToDecimalDigits(double value, int maxSignificant, int maxDecimals) {
  if (!std::isfinite(value)) return DecimalDigits{};
  return ReferenceDigits(ExactDecimalOf(value), maxSignificant, maxDecimals);
}

DecimalDigits ReferenceToDecimalDigits(long double value, int maxSignificant, int maxDecimals) {
  if (!std::isfinite(value)) return DecimalDigits{};
  return ReferenceDigits(ExactDecimalOf(value), maxSignificant, maxDecimals);
}

void ReferenceAppendGeneral(double value, std::string_view decimalSeparator, std::string& out) {
  if (std::isinf(value)) {
    out += value > 0 ? "INF" : "-INF";
    return;
  }
  if (std::isnan(value)) {
    out += "NAN";
    return;
  }
  const DecimalDigits d = ReferenceToDecimalDigits(value, kGeneralDigits, kNoDecimalLimit);
  const std::string digits(d.digits, static_cast<std::size_t>(d.count));
  const int x = d.exponent;
  if (d.negative) out += '-';
  if (x > kGeneralDigits || x < -3) {
    // d.ddd…E±n, no "+" and no leading zeros in n.
    out += digits[0];
    if (digits.size() > 1) {
      out += decimalSeparator;
      out += digits.substr(1);
    }
    out += 'E';
    out += std::to_string(x - 1);
  } else if (x > 0) {
    std::string whole = digits.substr(0, static_cast<std::size_t>(x));
    whole.resize(static_cast<std::size_t>(x), '0');
    out += whole;
    if (digits.size() > whole.size()) {
      out += decimalSeparator;
      out += digits.substr(whole.size());
    }
  } else {
    out += '0';
    if (!digits.empty()) {
      out += decimalSeparator;
      out.append(static_cast<std::size_t>(-x), '0');
      out += digits;
    }
  }
}

}  // namespace tabulox::testing
