// The decimal digits of a value, as both the General form and the number
// patterns use them: magnitude = 0.D × 10^X.
#pragma once

#include <climits>

namespace tabulox {

inline constexpr int kNoDecimalLimit = INT_MAX;

struct DecimalDigits {
  char digits[20] = {};  // D, without trailing zeros; not terminated
  int count = 0;         // number of digits in D; 0 for a zero result
  int exponent = 0;      // X
  bool negative = false;
};

// Brings the magnitude to 18 significant digits (nearest, ties to even), then
// keeps at most `maxSignificant` digits and at most `maxDecimals` decimal
// places, rounding half away from zero on the 18-digit form.
DecimalDigits ToDecimalDigits(long double value, int maxSignificant, int maxDecimals);
// The same for a double, without extended-precision arithmetic.
DecimalDigits ToDecimalDigits(double value, int maxSignificant, int maxDecimals);

// Significant digits of the General form.
inline constexpr int kGeneralDigits = 15;

// The digits of ToDecimalDigits(value, kGeneralDigits, kNoDecimalLimit) for a
// finite value other than 0: written to out[0..count) (room for kGeneralDigits;
// later bytes are left as they are), the count returned and X set. Doubles of
// ordinary magnitude go straight from their exact digits to these.
int WriteGeneralDigits(double value, char* out, int& exponent);

}  // namespace tabulox
