// The built-in number formats: the codes that format ids stand for when a
// workbook does not define them.
#pragma once

#include <string>

namespace tabulox {

// The code of a built-in number format id as applications define it in the
// en-US style: ids 0-49, and the locale-dependent and East Asian ids that
// applications map onto those (5-8 and 63-66 currency, 27-36 and 50-58 dates
// and times, 59-81 the Thai forms of 1-22 and 45-47). Ids 14 (short date) and
// 22 (short date and time) and the ids mapped onto 14 take the regional short
// date of CurrentRegionalSettings(), written as a format code. Unknown ids
// give "" (General).
std::string BuiltInFormatCode(int id);

// True for the ids shown in the regional form (14, 22 and the ids mapped onto
// them): applications show them so whatever code a workbook stores for them.
bool IsRegionalFormatId(int id);

}  // namespace tabulox
