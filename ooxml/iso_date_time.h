// The ISO 8601 dates and times of date cells (t="d", ECMA-376 Part 1
// §18.17.4) as day serials.
#pragma once

#include <optional>
#include <string_view>

#include "numfmt/date_time_pattern.h"

namespace tabulox {

// The day serial of "YYYY-MM-DD", "YYYY-MM-DDThh:mm", "YYYY-MM-DDThh:mm:ss"
// (seconds with a fraction too) or a time alone ("hh:mm:ss", "Thh:mm:ss"), a
// zone ("Z", "+hh:mm", "-hh:mm") after the time being ignored. In the 1900
// system day 1 is 1900-01-01 and the days from 1900-03-01 on count the 29th
// of February 1900 the system holds; day 0 is 1899-12-31, also written as
// 1899-12-30 (the day before, from which writers count). In the 1904 system
// day 0 is 1904-01-01.
// Nothing for any other text, an impossible date or time, or a date before
// the system's day 0; a time alone is a fraction of day 0.
std::optional<double> IsoDateTimeSerial(std::string_view text, DateSystem system);

}  // namespace tabulox
