// The Japanese eras that codes with a Japanese locale ("[$-411]") show in
// their "g" (era name) and "e" (year of the era) fields.
#pragma once

#include <string_view>

#include "numfmt/civil_date.h"

namespace tabulox {

struct JapaneseEra {
  int startYear;  // the first day of the era
  int startMonth;
  int startDay;
  std::string_view initial;  // "g": the Latin initial
  std::string_view kanji;    // "gg": the first character of the name
  std::string_view name;     // "ggg": the full name
};

// The era of a date: the latest that began on or before it. Every date a cell
// can show (from 1900) falls in one; earlier dates are given the first.
const JapaneseEra& JapaneseEraOf(const CivilDate& date);

// The year of the date within its era, 1 for the year the era began.
int JapaneseEraYear(const CivilDate& date);

}  // namespace tabulox
