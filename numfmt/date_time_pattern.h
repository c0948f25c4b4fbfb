// The date/time-pattern interpreter: renders a day serial (days since
// 1899-12-30, the fraction the time of day) through a pattern of date and time
// tokens, with names, separators and the locale's own patterns taken from the
// regional settings.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tabulox {

// The date system of a workbook. Serials of the 1900 system count from
// 1899-12-30 but hold the day 1900-02-29 that applications show, so their days
// before 1900-03-01 name the day after the calendar's. Serials of the 1904
// system count from 1904-01-01 and are moved onto the 1900 base before
// rendering. Neither shows a day before its base. The OpenDocument count runs
// on the calendar from 1899-12-30 in both directions: a negative serial is a
// date before that day.
enum class DateSystem : std::uint8_t { k1900, k1904, kOpenDocument };

// Days from the 1900 base (1899-12-30) to the 1904 base (1904-01-01).
inline constexpr std::int32_t k1904DayShift = 1462;

// Longest date/time text, in bytes. A longer text is cut at the last UTF-8
// character boundary at or below this length.
inline constexpr std::size_t kMaxDateTimeTextLength = 256;

// One token of a date/time pattern: a run of one pattern letter, a separator,
// or text written as it stands.
struct DateTimeToken {
  enum class Kind : std::uint8_t {
    kText,            // the text at [offset, offset + length)
    kDateSeparator,   // "/"
    kTimeSeparator,   // ":"
    kYear,            // "y"
    kMonth,           // "m": number, short or long name
    kMinute,          // "m" after "h", "n"
    kDay,             // "d", "aaa", "aaaa": number, names, regional date patterns
    kHour,            // "h"
    kSecond,          // "s"
    kMillisecond,     // "z"
    kTimePattern,     // "t": a regional time pattern
    kDateAndTime,     // "c": regional date, and time when it is not midnight
    kEraYear,         // "e"
    kEraName,         // "g"
    kMarkChoice,      // "am/pm", "a/p" as written: the mark before or after "/"
    kMarkDesignator,  // "ampm": the regional designators
  };
  Kind kind = Kind::kText;
  bool twelveHour = false;  // kHour: on the 12-hour clock
  int count = 0;            // letters in the run
  // kText, kMarkChoice: where the text stands in the tokens' text. 32 bits hold
  // any real pattern: a FORMAT record stores at most 65,535 characters.
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
};

// A date/time pattern read once into tokens, so that each serial only renders.
// Renders as FormatDateTimePattern does with the same pattern.
struct DateTimeParts;

class DateTimeTokens {
 public:
  DateTimeTokens() = default;
  explicit DateTimeTokens(std::string_view pattern);

  const std::vector<DateTimeToken>& tokens() const { return tokens_; }
  std::string_view TextOf(const DateTimeToken& token) const {
    return std::string_view(text_).substr(token.offset, token.length);
  }

  // Appends the serial rendered through the pattern to `out`; see
  // FormatDateTimePattern.
  void Append(double serial, DateSystem system, std::string& out) const;

 private:
  void AddText(std::string_view text);
  // Numbers of the date and the 24-hour time, separators and short texts: a
  // pattern of only these is written from a buffer on the stack.
  static bool IsNumericToken(const DateTimeToken& token);
  // Writes such a pattern; false, writing nothing, when the text might not fit
  // the buffer.
  bool AppendNumeric(const DateTimeParts& parts, std::string& out) const;

  std::vector<DateTimeToken> tokens_;
  std::string text_;
  bool numeric_ = false;
};

// Appends the serial rendered through the pattern `code` to `out`. A serial that
// is infinite, NaN or outside 0001-01-01 ... 9999-12-31 is written in General
// form instead.
void FormatDateTimePattern(std::string_view code, double serial, std::string& out,
                           DateSystem system = DateSystem::k1900);

}  // namespace tabulox
