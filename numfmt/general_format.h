// The General form of a number: up to 15 significant digits, plain or in
// exponent form, with the regional decimal separator and no grouping.
#pragma once

#include <string>

namespace tabulox {

// Appends the General form of the value to `out`.
void AppendGeneral(double value, std::string& out);

std::string FormatGeneral(double value);

}  // namespace tabulox
