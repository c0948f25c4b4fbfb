// The regional date and time patterns (in the date/time pattern language of
// date_time_pattern.h) written as number-format codes, for the built-in
// formats and the "[$-F800]" / "[$-F400]" sections that stand for them.
#pragma once

#include <string>
#include <string_view>

#include "numfmt/regional_settings.h"

namespace tabulox {

// The pattern as a format code: its fields kept, the separator tokens written
// as the separators of `settings`, "AMPM" as "AM/PM", day-name forms "aaa" and
// "aaaa" as "ddd" and "dddd", era years as Gregorian years; era names, regional
// date and time expansions and milliseconds are left out. Literal text is
// escaped so that it reads as text.
std::string FormatCodeOfPattern(std::string_view pattern, const RegionalSettings& settings);

// The patterns of CurrentRegionalSettings() as format codes.
std::string RegionalShortDateCode();
std::string RegionalLongDateCode();
std::string RegionalLongTimeCode();

}  // namespace tabulox
