// An independent statement of the digit rules and the General form, written
// for clarity and not for speed, that the differential tests hold the engine
// to byte for byte. It shares no code and no arithmetic with the engine: a
// value's exact decimal expansion is computed with big-integer arithmetic
// (every finite binary floating-point value is a binary fraction, so the
// expansion is finite), and the rounding rules are applied to that digit
// string as one would apply them by hand.
#pragma once

#include <string>
#include <string_view>

#include "numfmt/decimal_digits.h"

namespace tabulox::testing {

// The exact decimal expansion of a finite value: its magnitude is
// 0.digits × 10^exponent, digits having no leading and no trailing zeros
// (empty for a zero). Only finite values have one.
struct ExactDecimal {
  std::string digits;
  int exponent = 0;
  bool negative = false;
};

ExactDecimal ExactDecimalOf(double value);
ExactDecimal ExactDecimalOf(long double value);

// The digits of a value (0.D × 10^X) under at most `maxSignificant` (0 or more)
// significant digits and at most `maxDecimals` decimal places
// (kNoDecimalLimit for none): the exact expansion rounded to 18 significant
// digits (nearest, ties to even), then cut at the limit, rounding half away
// from zero on those 18 digits.
DecimalDigits ReferenceDigits(const ExactDecimal& exact, int maxSignificant, int maxDecimals);

// ReferenceDigits of the value's expansion; a zero, infinite or NaN value
// gives no digits.
DecimalDigits ReferenceToDecimalDigits(double value, int maxSignificant, int maxDecimals);
DecimalDigits ReferenceToDecimalDigits(long double value, int maxSignificant, int maxDecimals);

// The General form with the given decimal separator, laid out from
// ReferenceDigits(·, 15, kNoDecimalLimit).
void ReferenceAppendGeneral(double value, std::string_view decimalSeparator, std::string& out);

}  // namespace tabulox::testing
