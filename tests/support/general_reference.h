// A frozen copy of the digit and General-form code as it stood before it was
// tuned for speed: straightforward, slower, and known to give the right text.
// The differential tests hold the engine's routes to it byte for byte.
#pragma once

#include <string>
#include <string_view>

#include "decimal_digits.h"

namespace tabulox::testing {

DecimalDigits ReferenceToDecimalDigits(double value, int maxSignificant, int maxDecimals);
DecimalDigits ReferenceToDecimalDigits(long double value, int maxSignificant, int maxDecimals);

// The General form with the given decimal separator.
void ReferenceAppendGeneral(double value, std::string_view decimalSeparator, std::string& out);

}  // namespace tabulox::testing
