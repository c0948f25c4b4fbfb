// Translation of POSIX locale data (strftime formats, era segments) into the
// forms of the regional settings: date and time patterns of the date/time
// pattern language, separators, and the eras of the alternative calendar.
#pragma once

#include <string>
#include <string_view>

#include "numfmt/regional_settings.h"

namespace tabulox {

struct TranslatedDateFormat {
  std::string pattern;    // e.g. "%d.%m.%Y" gives "dd/mm/yyyy"
  std::string separator;  // the first separator between two conversions
  bool separatorFound = false;
};

// Translates a date format such as D_FMT. Conversions without an equivalent are
// dropped; literal characters that mean something in a pattern are quoted; the
// date separator becomes the "/" token.
TranslatedDateFormat TranslateDateFormat(std::string_view strftimeFormat);

struct TranslatedTimeFormat {
  std::string shortPattern;  // e.g. "hh:mm", "h:mm AMPM", "AMPM h:mm"
  std::string longPattern;   // the same with ":ss"
  std::string separator;     // the character after the hour, when punctuation
  bool separatorFound = false;
  bool hourFound = false;    // false: the patterns are empty
};

// Builds the time patterns from a time format such as T_FMT: its hour with or
// without leading zero, on the 12- or 24-hour clock, the AM/PM mark in front of
// or behind the time. `ampmFormat` (T_FMT_AMPM) is what "%r" stands for.
TranslatedTimeFormat TranslateTimeFormat(std::string_view strftimeFormat,
                                         std::string_view ampmFormat);

// Parses one era segment "direction:offset:start:end:name:format" (POSIX
// LC_TIME "era"). False when the segment is malformed.
bool ParseEraSegment(std::string_view segment, CalendarEra& era);

}  // namespace tabulox
