// The General form of a number: up to 15 significant digits, plain or in
// exponent form, with the regional decimal separator and no grouping.
#pragma once

#include <string>

namespace tabulox {

// Appends the General form of the value to `out`.
void AppendGeneral(double value, std::string& out);

// The General form as spreadsheet applications show it: as AppendGeneral,
// except that an exponent is written with its sign and at least two digits
// ("3E-07", "6.4594E+191", "1E+15").
void AppendGeneralShown(double value, std::string& out);

std::string FormatGeneral(double value);

}  // namespace tabulox
