#include "numfmt/date_time_pattern.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstring>
#include <optional>

#include "numfmt/civil_date.h"
#include "numfmt/general_format.h"
#include "numfmt/regional_settings.h"

namespace tabulox {

// A serial split into its date and time fields.
struct DateTimeParts {
  std::int32_t day = 0;  // day serial of the date
  int year = 0;
  int month = 0;    // 1..12
  int dayOfMonth = 0;
  int weekday = 0;  // 0 Sunday .. 6 Saturday
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};

namespace {

constexpr std::int64_t kMillisecondsPerDay = 86'400'000;
constexpr std::int64_t kMillisecondsPerHour = 3'600'000;
constexpr std::int64_t kMillisecondsPerMinute = 60'000;
constexpr std::int64_t kMillisecondsPerSecond = 1'000;

// Day serials of 0001-01-01 and 9999-12-31, the range of dates rendered.
constexpr std::int64_t kFirstDay = -693'593;
constexpr std::int64_t kLastDay = 2'958'465;
// Serials beyond this magnitude lie outside that range whatever the date
// system; the bound keeps the millisecond count far inside 64 bits.
constexpr double kMaxSerialMagnitude = 1e7;

// A regional pattern expanded from the rendering code is level 2; pattern
// tokens met there write nothing.
constexpr int kMaxExpansionLevel = 2;

// Splits the serial at the millisecond: the day offset takes the sign of the
// rounded count and the time of day its magnitude, so seconds are truncated
// after the rounding.
std::optional<DateTimeParts> DecodeSerial(double serial, DateSystem system) {
  if (!std::isfinite(serial) || std::fabs(serial) > kMaxSerialMagnitude) return std::nullopt;
  std::int64_t ms = static_cast<std::int64_t>(
      std::rint(static_cast<long double>(serial) * kMillisecondsPerDay));
  if (system == DateSystem::k1904) ms += k1904DayShift * kMillisecondsPerDay;
  const std::int64_t magnitude = ms < 0 ? -ms : ms;
  const std::int64_t dayOffset = ms < 0 ? -(magnitude / kMillisecondsPerDay)
                                        : magnitude / kMillisecondsPerDay;
  if (dayOffset < kFirstDay || dayOffset > kLastDay) return std::nullopt;
  std::int64_t time = magnitude % kMillisecondsPerDay;

  DateTimeParts parts;
  parts.day = static_cast<std::int32_t>(dayOffset);
  const CivilDate date = CivilDateOfDay(dayOffset);
  parts.year = date.year;
  parts.month = date.month;
  parts.dayOfMonth = date.day;
  parts.weekday = date.weekday;
  parts.hour = static_cast<int>(time / kMillisecondsPerHour);
  time %= kMillisecondsPerHour;
  parts.minute = static_cast<int>(time / kMillisecondsPerMinute);
  time %= kMillisecondsPerMinute;
  parts.second = static_cast<int>(time / kMillisecondsPerSecond);
  parts.millisecond = static_cast<int>(time % kMillisecondsPerSecond);
  return parts;
}

bool IsAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

char ToLowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool IsQuote(char c) { return c == '"' || c == '\''; }

// True when `text` at `pos` begins with the lower-case ASCII `word`, in any case.
bool StartsWithNoCase(std::string_view text, std::size_t pos, std::string_view word) {
  if (text.size() - pos < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (ToLowerAscii(text[pos + i]) != word[i]) return false;
  return true;
}

bool BeginsTwelveHourMark(std::string_view text, std::size_t pos) {
  return StartsWithNoCase(text, pos, "am/pm") || StartsWithNoCase(text, pos, "a/p") ||
         StartsWithNoCase(text, pos, "ampm");
}

// Looking on from `pos`: does the first "a" outside quoted text begin a 12-hour
// mark before any "h" (quoted or not) is met?
bool TwelveHourMarkFollows(std::string_view pattern, std::size_t pos) {
  char quote = 0;
  for (std::size_t i = pos; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == 'h' || c == 'H') return false;
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (IsQuote(c)) {
      quote = c;
    } else if (c == 'a' || c == 'A') {
      return BeginsTwelveHourMark(pattern, i);
    }
  }
  return false;
}

// Number of bytes of the first UTF-8 character of `text`.
std::size_t FirstCharacterLength(std::string_view text) {
  std::size_t n = text.empty() ? 0 : 1;
  while (n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) ++n;
  return n;
}

std::string_view ShortEraName(std::string_view name, EraNameShortForm form) {
  switch (form) {
    case EraNameShortForm::kWhole:
      return name;
    case EraNameShortForm::kFirstCharacter:
      return name.substr(0, FirstCharacterLength(name));
    case EraNameShortForm::kLastTwoOfFourCharacters: {
      std::size_t offsets[5] = {};
      std::size_t pos = 0;
      int count = 0;
      while (pos < name.size() && count < 5) {
        offsets[count++] = pos;
        pos += FirstCharacterLength(name.substr(pos));
      }
      if (count != 4) return name;
      return name.substr(offsets[2]);
    }
  }
  return name;
}

// Counts the run of bytes equal to `starter` that began just before `i`, and
// moves `i` past it.
int RunLength(std::string_view pattern, std::size_t& i, char starter) {
  int count = 1;
  while (i < pattern.size() && pattern[i] == starter) {
    ++count;
    ++i;
  }
  return count;
}

class PatternWriter {
 public:
  PatternWriter(const DateTimeParts& parts, std::string& out)
      : parts_(parts),
        settings_(CurrentRegionalSettings()),
        out_(out),
        limit_(out.size() + kMaxDateTimeTextLength) {}

  // Renders one pattern; `level` 1 is the rendering code, 2 a regional pattern
  // it expands.
  void Render(const DateTimeTokens& pattern, int level) {
    for (const DateTimeToken& token : pattern.tokens()) {
      if (Full()) return;
      const int count = token.count;
      switch (token.kind) {
        case DateTimeToken::Kind::kText:
          if (token.length == 1)
            out_.push_back(pattern.TextOf(token)[0]);
          else
            out_.append(pattern.TextOf(token));
          break;
        case DateTimeToken::Kind::kDateSeparator:
          out_ += settings_.dateSeparator;
          break;
        case DateTimeToken::Kind::kTimeSeparator:
          out_ += settings_.timeSeparator;
          break;
        case DateTimeToken::Kind::kYear:
          if (count <= 2)
            AppendNumber(parts_.year % 100, 2);
          else
            AppendNumber(parts_.year, 4);
          break;
        case DateTimeToken::Kind::kMonth:
          if (count <= 2)
            AppendNumber(parts_.month, count);
          else if (count == 3)
            out_ += MonthName(settings_.shortMonthNames);
          else
            out_ += MonthName(settings_.longMonthNames);
          break;
        case DateTimeToken::Kind::kMinute:
          AppendNumber(parts_.minute, std::min(count, 2));
          break;
        case DateTimeToken::Kind::kDay:
          if (count <= 2)
            AppendNumber(parts_.dayOfMonth, count);
          else if (count == 3)
            out_ += DayName(settings_.shortDayNames);
          else if (count == 4)
            out_ += DayName(settings_.longDayNames);
          else
            Expand(count == 5 ? settings_.shortDatePattern : settings_.longDatePattern, level);
          break;
        case DateTimeToken::Kind::kHour: {
          int hour = parts_.hour;
          if (token.twelveHour) {
            if (hour == 0)
              hour = 12;
            else if (hour > 12)
              hour -= 12;
          }
          AppendNumber(hour, std::min(count, 2));
          break;
        }
        case DateTimeToken::Kind::kSecond:
          AppendNumber(parts_.second, std::min(count, 2));
          break;
        case DateTimeToken::Kind::kMillisecond:
          AppendNumber(parts_.millisecond, std::min(count, 3));
          break;
        case DateTimeToken::Kind::kTimePattern:
          Expand(count == 1 ? settings_.shortTimePattern : settings_.longTimePattern, level);
          break;
        case DateTimeToken::Kind::kDateAndTime:
          if (level < kMaxExpansionLevel) {
            Expand(settings_.shortDatePattern, level);
            if (parts_.hour != 0 || parts_.minute != 0 || parts_.second != 0) {
              out_.push_back(' ');
              Expand(settings_.longTimePattern, level);
            }
          }
          break;
        case DateTimeToken::Kind::kEraYear:
          AppendEraYear(count);
          break;
        case DateTimeToken::Kind::kEraName:
          AppendEraName(count);
          break;
        case DateTimeToken::Kind::kMarkChoice: {
          // "am/pm" or "a/p" as written: the mark before or after the "/".
          const std::string_view marks = pattern.TextOf(token);
          const std::size_t markLength = (marks.size() - 1) / 2;
          out_.append(marks.substr(parts_.hour >= 12 ? markLength + 1 : 0, markLength));
          break;
        }
        case DateTimeToken::Kind::kMarkDesignator:
          out_ += parts_.hour >= 12 ? settings_.pmDesignator : settings_.amDesignator;
          break;
      }
    }
  }

// Cuts the text at the last UTF-8 character boundary at or below the limit.
  void Finish() {
    if (out_.size() <= limit_) return;
    std::size_t cut = limit_;
    while (cut > limit_ - kMaxDateTimeTextLength &&
           (static_cast<unsigned char>(out_[cut]) & 0xC0) == 0x80)
      --cut;
    out_.resize(cut);
  }

 private:
  // Once the text holds one byte past the limit, the cut is settled.
  bool Full() const { return out_.size() > limit_; }

  // Appends the value with zeros before it up to `minDigits` digits.
  void AppendNumber(int value, int minDigits) {
    if (value >= 0 && value < 100 && minDigits <= 2) {
      // Month, day, hour, minute, second and two-digit year.
      if (value >= 10 || minDigits == 2) out_.push_back(static_cast<char>('0' + value / 10));
      out_.push_back(static_cast<char>('0' + value % 10));
      return;
    }
    char buf[16];
    char* const end = buf + sizeof buf;
    char* first = end;
    if (value >= 0) {
      // Digits from the last, two at a time; the zeros are placed before the
      // first digit.
      unsigned rest = static_cast<unsigned>(value);
      while (rest >= 10) {
        const unsigned pair = rest % 100;
        rest /= 100;
        *--first = static_cast<char>('0' + pair % 10);
        *--first = static_cast<char>('0' + pair / 10);
      }
      if (rest != 0 || first == end) *--first = static_cast<char>('0' + rest);
      while (end - first < minDigits) *--first = '0';
      out_.append(first, static_cast<std::size_t>(end - first));
      return;
    }
    const auto r = std::to_chars(buf, end, value);
    const auto width = static_cast<int>(r.ptr - buf);
    if (width < minDigits) out_.append(static_cast<std::size_t>(minDigits - width), '0');
    out_.append(buf, r.ptr);
  }

  const std::string& MonthName(const std::array<std::string, 12>& names) const {
    return names[static_cast<std::size_t>(parts_.month - 1)];
  }

  const std::string& DayName(const std::array<std::string, 7>& names) const {
    return names[static_cast<std::size_t>(parts_.weekday)];
  }

  void Expand(const std::string& pattern, int level) {
    if (level < kMaxExpansionLevel) Render(DateTimeTokens(pattern), level + 1);
  }

  const CalendarEra* FindEra() const {
    for (const CalendarEra& era : settings_.eras)
      if (parts_.day >= era.firstDay && parts_.day <= era.lastDay) return &era;
    return nullptr;
  }

  // The year of the alternative calendar in the form "yy" (count 1 and 2, one
  // leading zero removed for count 1) or "yyyy" (count 3 and more). Without an
  // alternative calendar the year is Gregorian; a day outside every era of the
  // calendar writes nothing.
  void AppendEraYear(int count) {
    int year = parts_.year;
    bool gregorian = true;
    if (!settings_.eras.empty()) {
      const CalendarEra* era = FindEra();
      if (era == nullptr) return;
      const int elapsed = era->countsDown ? era->startYear - year : year - era->startYear;
      year = era->firstYear + elapsed;
      gregorian = false;
    }
    if (count >= 3) {
      AppendNumber(year, gregorian ? 4 : 1);
    } else {
      AppendNumber(year % 100, count == 1 ? 1 : 2);
    }
  }

  void AppendEraName(int count) {
    const CalendarEra* era = FindEra();
    if (era == nullptr) return;
    out_ += count == 1 ? ShortEraName(era->name, settings_.eraShortForm)
                       : std::string_view(era->name);
  }

  const DateTimeParts& parts_;
  const RegionalSettings& settings_;
  std::string& out_;
  std::size_t limit_;
};

}  // namespace

// Text that follows text joins its token. Rendering checks the limit between
// tokens, so a joined token may write further past it than the bytes one at a
// time would; Finish cuts at the limit either way, so the result is the same.
void DateTimeTokens::AddText(std::string_view text) {
  if (!tokens_.empty() && tokens_.back().kind == DateTimeToken::Kind::kText) {
    tokens_.back().length += static_cast<std::uint32_t>(text.size());
  } else {
    DateTimeToken token;
    token.offset = static_cast<std::uint32_t>(text_.size());
    token.length = static_cast<std::uint32_t>(text.size());
    tokens_.push_back(token);
  }
  text_.append(text);
}

// Reads the pattern as the renderer meets it: letters in runs of the same
// byte, "m" after an "h" as the minute, "a" marks, quoted text, and every other
// byte as text.
DateTimeTokens::DateTimeTokens(std::string_view pattern) {
  char previous = ' ';
  bool twelveHourWritten = false;
  const auto add = [this](DateTimeToken::Kind kind, int count, bool twelveHour = false) {
    DateTimeToken token;
    token.kind = kind;
    token.count = count;
    token.twelveHour = twelveHour;
    tokens_.push_back(token);
  };
  const auto addChoice = [this](std::string_view marks) {
    DateTimeToken token;
    token.kind = DateTimeToken::Kind::kMarkChoice;
    token.offset = static_cast<std::uint32_t>(text_.size());
    token.length = static_cast<std::uint32_t>(marks.size());
    text_.append(marks);
    tokens_.push_back(token);
  };
  std::size_t i = 0;
  while (i < pattern.size()) {
    const char starter = pattern[i++];
    char letter = ToLowerAscii(starter);
    // The letters of a 12-hour mark are not a previous letter: in "h AM/PM mm"
    // the "m" still follows the "h".
    if (IsAsciiLetter(starter) && !(letter == 'a' && BeginsTwelveHourMark(pattern, i - 1))) {
      if (letter == 'm' && previous == 'h') letter = 'n';
      previous = letter;
    }
    switch (letter) {
      case 'y':
        add(DateTimeToken::Kind::kYear, RunLength(pattern, i, starter));
        break;
      case 'm':
        add(DateTimeToken::Kind::kMonth, RunLength(pattern, i, starter));
        break;
      case 'n':
        add(DateTimeToken::Kind::kMinute, RunLength(pattern, i, starter));
        break;
      case 'd':
        add(DateTimeToken::Kind::kDay, RunLength(pattern, i, starter));
        break;
      case 'h': {
        const int count = RunLength(pattern, i, starter);
        add(DateTimeToken::Kind::kHour, count, twelveHourWritten || TwelveHourMarkFollows(pattern, i));
        break;
      }
      case 's':
        add(DateTimeToken::Kind::kSecond, RunLength(pattern, i, starter));
        break;
      case 'z':
        add(DateTimeToken::Kind::kMillisecond, RunLength(pattern, i, starter));
        break;
      case 't':
        add(DateTimeToken::Kind::kTimePattern, RunLength(pattern, i, starter));
        break;
      case 'c':
        add(DateTimeToken::Kind::kDateAndTime, RunLength(pattern, i, starter));
        break;
      case 'e':
        add(DateTimeToken::Kind::kEraYear, RunLength(pattern, i, starter));
        break;
      case 'g':
        add(DateTimeToken::Kind::kEraName, RunLength(pattern, i, starter));
        break;
      case 'a': {
        // The 12-hour marks, the day-name forms, or the letter itself.
        const std::size_t pos = i - 1;
        if (StartsWithNoCase(pattern, pos, "am/pm")) {
          addChoice(pattern.substr(pos, 5));
          twelveHourWritten = true;
          i = pos + 5;
        } else if (StartsWithNoCase(pattern, pos, "a/p")) {
          addChoice(pattern.substr(pos, 3));
          twelveHourWritten = true;
          i = pos + 3;
        } else if (StartsWithNoCase(pattern, pos, "ampm")) {
          add(DateTimeToken::Kind::kMarkDesignator, 1);
          twelveHourWritten = true;
          i = pos + 4;
        } else if (StartsWithNoCase(pattern, pos, "aaaa")) {
          add(DateTimeToken::Kind::kDay, 4);
          i = pos + 4;
        } else if (StartsWithNoCase(pattern, pos, "aaa")) {
          add(DateTimeToken::Kind::kDay, 3);
          i = pos + 3;
        } else {
          AddText(pattern.substr(pos, 1));
        }
        break;
      }
      case '/':
        add(DateTimeToken::Kind::kDateSeparator, 1);
        break;
      case ':':
        add(DateTimeToken::Kind::kTimeSeparator, 1);
        break;
      case '"':
      case '\'': {
        const std::size_t close = pattern.find(starter, i);
        const std::size_t end = close == std::string_view::npos ? pattern.size() : close;
        AddText(pattern.substr(i, end - i));
        i = end == pattern.size() ? end : end + 1;
        break;
      }
      default:
        AddText(pattern.substr(i - 1, 1));
        break;
    }
  }
  numeric_ = std::all_of(tokens_.begin(), tokens_.end(), IsNumericToken);
}

namespace {

// Texts of a numeric pattern are written from a buffer on the stack up to this
// many bytes each.
constexpr std::uint32_t kMostNumericTextBytes = 8;

}  // namespace

bool DateTimeTokens::IsNumericToken(const DateTimeToken& token) {
  switch (token.kind) {
    case DateTimeToken::Kind::kText:
      return token.length <= kMostNumericTextBytes;
    case DateTimeToken::Kind::kDateSeparator:
    case DateTimeToken::Kind::kTimeSeparator:
    case DateTimeToken::Kind::kMinute:
    case DateTimeToken::Kind::kSecond:
      return true;
    case DateTimeToken::Kind::kYear:
      return true;
    case DateTimeToken::Kind::kMonth:
    case DateTimeToken::Kind::kDay:
      return token.count <= 2;
    case DateTimeToken::Kind::kHour:
      return !token.twelveHour;
    default:
      return false;
  }
}

bool DateTimeTokens::AppendNumeric(const DateTimeParts& parts, std::string& out) const {
  const RegionalSettings& settings = CurrentRegionalSettings();
  const std::size_t mostPerToken = std::max<std::size_t>(
      {kMostNumericTextBytes, settings.dateSeparator.size(), settings.timeSeparator.size()});
  std::array<char, 128> buffer;
  if (tokens_.size() * mostPerToken > buffer.size()) return false;
  char* w = buffer.data();
  // Separators and texts are a few bytes each: copied byte by byte.
  const auto copy = [&w](std::string_view text) {
    for (const char c : text) *w++ = c;
  };
  // As PatternWriter::AppendNumber writes a number below 100.
  const auto number = [&w](int value, bool twoDigits) {
    const auto v = static_cast<unsigned>(value);
    const unsigned tens = v / 10;
    if (tens != 0 || twoDigits) *w++ = static_cast<char>('0' + tens);
    *w++ = static_cast<char>('0' + (v - tens * 10));
  };
  for (const DateTimeToken& token : tokens_) {
    switch (token.kind) {
      case DateTimeToken::Kind::kText:
        copy(TextOf(token));
        break;
      case DateTimeToken::Kind::kDateSeparator:
        copy(settings.dateSeparator);
        break;
      case DateTimeToken::Kind::kTimeSeparator:
        copy(settings.timeSeparator);
        break;
      case DateTimeToken::Kind::kYear:
        if (token.count <= 2) {
          number(parts.year % 100, true);
        } else {
          number(parts.year / 100, true);
          number(parts.year % 100, true);
        }
        break;
      case DateTimeToken::Kind::kMonth:
        number(parts.month, token.count == 2);
        break;
      case DateTimeToken::Kind::kDay:
        number(parts.dayOfMonth, token.count == 2);
        break;
      case DateTimeToken::Kind::kHour:
        number(parts.hour, token.count >= 2);
        break;
      case DateTimeToken::Kind::kMinute:
        number(parts.minute, token.count >= 2);
        break;
      case DateTimeToken::Kind::kSecond:
        number(parts.second, token.count >= 2);
        break;
      default:
        return false;
    }
  }
  out.append(buffer.data(), static_cast<std::size_t>(w - buffer.data()));
  return true;
}

void DateTimeTokens::Append(double serial, DateSystem system, std::string& out) const {
  const std::optional<DateTimeParts> parts = DecodeSerial(serial, system);
  if (!parts) {
    AppendGeneral(serial, out);
    return;
  }
  // Years run from 1 to 9999: four digits at most.
  if (numeric_ && AppendNumeric(*parts, out)) return;
  PatternWriter writer(*parts, out);
  writer.Render(*this, 1);
  writer.Finish();
}

void FormatDateTimePattern(std::string_view code, double serial, std::string& out,
                           DateSystem system) {
  DateTimeTokens(code).Append(serial, system, out);
}

}  // namespace tabulox
