// Dates, times and elapsed times. The serial is rounded to the precision shown
// (whole seconds, or the tenths to thousandths of "ss.0" to "ss.000") before
// the fields are taken, so 10:59:59.9 shows as 11:00:00 and the day can roll
// over. Serials of the 1900 system count the day 1900-02-29 (serial 60) that
// applications show, and serial 0 is shown as 1900-01-00. The OpenDocument
// count shows days before 1899-12-30 too, back to 0001-01-01.
#include <charconv>
#include <cmath>

#include "numfmt/civil_date.h"
#include "numfmt/japanese_eras.h"
#include "numfmt/regional_settings.h"
#include "numfmt/section_renderers.h"
#include "numfmt/text_buffer.h"

namespace tabulox {
namespace {

constexpr std::int64_t kSecondsPerDay = 86'400;
// Day serial (1900 system) of 10000-01-01: that day and later are not shown.
constexpr std::int64_t kFirstDayAfterRange = 2'958'466;
// Elapsed times of more days than this are not shown; the bound keeps the
// count of thousandths of a second far inside 64 bits.
constexpr double kMaxElapsedDays = 1e9;
// The day 1900-02-29 of the 1900 system.
constexpr std::int64_t kLeapDaySerial = 60;
// Day serial of 0001-01-01, the first day the OpenDocument count shows.
constexpr std::int64_t kFirstCalendarDay = -693'593;

// The date of a whole day serial of the workbook's date system.
CivilDate DateOfDay(std::int64_t day, DateSystem system) {
  if (system == DateSystem::k1904) return CivilDateOfDay(day + k1904DayShift);
  if (system == DateSystem::kOpenDocument || day >= kLeapDaySerial + 1) return CivilDateOfDay(day);
  // The 1900 system's days up to its 1900-02-29 run one day behind the
  // calendar from 1899-12-30; their weekdays follow on from the later ones.
  CivilDate date;
  if (day == kLeapDaySerial) {
    date = {1900, 2, 29, 0};
  } else if (day == 0) {
    date = {1900, 1, 0, 0};
  } else {
    date = CivilDateOfDay(day + 1);
  }
  date.weekday = static_cast<int>((day + 6) % 7);
  return date;
}

bool HasDateField(const FormatSection& section) {
  for (const FormatToken& token : section.tokens)
    switch (token.kind) {
      case TokenKind::kYear:
      case TokenKind::kMonth:
      case TokenKind::kDay:
      case TokenKind::kEraYear:
      case TokenKind::kEraName:
        return true;
      default:
        break;
    }
  return false;
}

void AppendPadded(std::int64_t value, int minDigits, TextBuffer& out) {
  // Most fields are one or two digits, or a year of four.
  if (value >= 0 && value < 100 && minDigits <= 2) {
    if (value >= 10 || minDigits == 2) out.Put(static_cast<char>('0' + value / 10));
    out.Put(static_cast<char>('0' + value % 10));
    return;
  }
  if (value >= 1000 && value < 10'000 && minDigits <= 4) {
    out.Put(static_cast<char>('0' + value / 1000));
    out.Put(static_cast<char>('0' + value / 100 % 10));
    out.Put(static_cast<char>('0' + value / 10 % 10));
    out.Put(static_cast<char>('0' + value % 10));
    return;
  }
  char buffer[24];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  const auto length = static_cast<int>(end - buffer);
  if (length < minDigits) out.Put(static_cast<std::size_t>(minDigits - length), '0');
  out.Put(std::string_view(buffer, static_cast<std::size_t>(length)));
}

// The era name as "g" (the initial), "gg" (the first kanji) or "ggg" (the name).
std::string_view EraName(const JapaneseEra& era, int count) {
  switch (count) {
    case 1: return era.initial;
    case 2: return era.kanji;
    default: return era.name;
  }
}

// The first character of a name (the one-letter month form).
std::string_view FirstCharacter(std::string_view name) {
  std::size_t n = name.empty() ? 0 : 1;
  while (n < name.size() && (static_cast<unsigned char>(name[n]) & 0xC0) == 0x80) ++n;
  return name.substr(0, n);
}

}  // namespace

ShownValue AppendDateTimeSection(const FormatSection& section, double serial, DateSystem system,
                                 std::string& out) {
  const bool dated = !section.elapsed || HasDateField(section);
  const double lowest =
      dated && system == DateSystem::kOpenDocument ? static_cast<double>(kFirstCalendarDay) : 0;
  if (!(serial >= lowest) || serial > (dated ? static_cast<double>(kFirstDayAfterRange) : kMaxElapsedDays))
    return ShownValue::kOutOfRange;
  std::int64_t unitsPerSecond = 1;
  for (int i = 0; i < section.secondDecimals; ++i) unitsPerSecond *= 10;
  const std::int64_t unitsPerDay = kSecondsPerDay * unitsPerSecond;
  const auto units = static_cast<std::int64_t>(
      std::floor(static_cast<long double>(serial) * static_cast<long double>(unitsPerDay) + 0.5L));
  // The day rounds down, so the time of day of a day before the base counts
  // forward from its midnight.
  std::int64_t day = units / unitsPerDay;
  std::int64_t timeOfDay = units % unitsPerDay;
  if (timeOfDay < 0) {
    timeOfDay += unitsPerDay;
    --day;
  }
  const std::int64_t lastDay = kFirstDayAfterRange - 1 - (system == DateSystem::k1904 ? k1904DayShift : 0);
  if (dated && (day > lastDay || day < kFirstCalendarDay)) return ShownValue::kOutOfRange;

  const CivilDate date = dated ? DateOfDay(day, system) : CivilDate{};
  // Elapsed times are never negative.
  const std::int64_t totalSeconds = units / unitsPerSecond;
  const std::int64_t secondOfDay = timeOfDay / unitsPerSecond;
  const auto hour = static_cast<int>(secondOfDay / 3600);
  const auto minute = static_cast<int>(secondOfDay / 60 % 60);
  const auto second = static_cast<int>(secondOfDay % 60);
  const std::int64_t subSecond = timeOfDay % unitsPerSecond;

  const RegionalSettings& settings = CurrentRegionalSettings();
  TextBuffer buffer(out);
  for (const FormatToken& token : section.tokens) {
    const int count = token.count;
    switch (token.kind) {
      case TokenKind::kLiteral:
        buffer.Put(section.TextOf(token));
        break;
      case TokenKind::kYear:
        if (count <= 2)
          AppendPadded(date.year % 100, 2, buffer);
        else
          AppendPadded(date.year, 4, buffer);
        break;
      case TokenKind::kMonth:
        if (count <= 2)
          AppendPadded(date.month, count, buffer);
        else if (count == 3)
          buffer.Put(settings.shortMonthNames[static_cast<std::size_t>(date.month - 1)]);
        else if (count == 5)
          buffer.Put(FirstCharacter(settings.longMonthNames[static_cast<std::size_t>(date.month - 1)]));
        else
          buffer.Put(settings.longMonthNames[static_cast<std::size_t>(date.month - 1)]);
        break;
      case TokenKind::kDay:
        if (count <= 2)
          AppendPadded(date.day, count, buffer);
        else if (count == 3)
          buffer.Put(settings.shortDayNames[static_cast<std::size_t>(date.weekday)]);
        else
          buffer.Put(settings.longDayNames[static_cast<std::size_t>(date.weekday)]);
        break;
      case TokenKind::kHour: {
        int shown = hour;
        if (section.twelveHour) shown = hour % 12 == 0 ? 12 : hour % 12;
        AppendPadded(shown, count >= 2 ? 2 : 1, buffer);
        break;
      }
      case TokenKind::kMinute:
        AppendPadded(minute, count >= 2 ? 2 : 1, buffer);
        break;
      case TokenKind::kSecond:
        AppendPadded(second, count >= 2 ? 2 : 1, buffer);
        break;
      case TokenKind::kSubSecond: {
        buffer.Put(settings.decimalSeparator);
        // subSecond has secondDecimals digits, at most 3.
        char digits[4];
        int divisor = static_cast<int>(unitsPerSecond);
        for (int i = 0; i < section.secondDecimals; ++i) {
          divisor /= 10;
          digits[i] = static_cast<char>('0' + subSecond / divisor % 10);
        }
        const auto shown = static_cast<std::size_t>(std::min(count, section.secondDecimals));
        buffer.Put(std::string_view(digits, shown));
        if (count > section.secondDecimals)
          buffer.Put(static_cast<std::size_t>(count - section.secondDecimals), '0');
        break;
      }
      case TokenKind::kEraYear:
        AppendPadded(JapaneseEraYear(date), count, buffer);
        break;
      case TokenKind::kEraName:
        buffer.Put(EraName(JapaneseEraOf(date), count));
        break;
      case TokenKind::kAmPm: {
        const std::string_view marks = section.TextOf(token);
        buffer.Put(hour < 12 ? marks.substr(0, token.split) : marks.substr(token.split));
        break;
      }
      case TokenKind::kElapsedHours:
        AppendPadded(totalSeconds / 3600, count, buffer);
        break;
      case TokenKind::kElapsedMinutes:
        AppendPadded(totalSeconds / 60, count, buffer);
        break;
      case TokenKind::kElapsedSeconds:
        AppendPadded(totalSeconds, count, buffer);
        break;
      default:
        break;
    }
  }
  return units == 0 ? ShownValue::kZero : ShownValue::kNonZero;
}

}  // namespace tabulox
