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

// Rounds the digits D half away from zero to at most `maxDecimals` decimal
// places (maxDecimals may be negative: whole tens, hundreds, ...), keeping the
// sign. A carry past the first digit raises the exponent; a value that rounds
// away entirely gives count 0. The digits of a value the cell shows are rounded
// twice this way: first to the significant digits it is shown with, then to the
// places of the code.
DecimalDigits RoundedToDecimals(const DecimalDigits& digits, int maxDecimals);

// Significant digits of the General form.
inline constexpr int kGeneralDigits = 15;

// The digits of ToDecimalDigits(value, kGeneralDigits, kNoDecimalLimit) for a
// finite value other than 0: written to out[0..count) (room for kGeneralDigits;
// later bytes are left as they are), the count returned and X set. Doubles of
// ordinary magnitude go straight from their exact digits to these.
int WriteGeneralDigits(double value, char* out, int& exponent);

}  // namespace tabulox
