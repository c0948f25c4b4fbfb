#include "ooxml/iso_date_time.h"

#include <cstdint>

namespace tabulox {
namespace {

// Reads exactly `count` decimal digits at `at`, moving past them.
bool ReadDigits(std::string_view text, std::size_t& at, std::size_t count, int& value) {
  if (text.size() - at < count) return false;
  value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    const char c = text[at + i];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  at += count;
  return true;
}

bool ReadSeparator(std::string_view text, std::size_t& at, char separator) {
  if (at >= text.size() || text[at] != separator) return false;
  ++at;
  return true;
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
  constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// Days from 1970-01-01 to the proleptic Gregorian date.
std::int64_t DaysFromCivil(int year, int month, int day) {
  const std::int64_t y = year - (month <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yearOfEra = y - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// "hh:mm", "hh:mm:ss" or "hh:mm:ss.fff" from `at`, then an optional zone, to
// the end of the text: the fraction of a day.
std::optional<double> ReadTime(std::string_view text, std::size_t at) {
  int hour = 0;
  int minute = 0;
  int second = 0;
  if (!ReadDigits(text, at, 2, hour) || !ReadSeparator(text, at, ':') ||
      !ReadDigits(text, at, 2, minute))
    return std::nullopt;
  double fraction = 0;
  if (ReadSeparator(text, at, ':')) {
    if (!ReadDigits(text, at, 2, second)) return std::nullopt;
    if (ReadSeparator(text, at, '.')) {
      double scale = 0.1;
      const std::size_t first = at;
      for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, scale /= 10)
        fraction += (text[at] - '0') * scale;
      if (at == first) return std::nullopt;
    }
  }
  if (at < text.size()) {
    int zoneHour = 0;
    int zoneMinute = 0;
    if (text[at] == 'Z') {
      ++at;
    } else if ((text[at] == '+' || text[at] == '-') && ReadDigits(text, ++at, 2, zoneHour) &&
               ReadSeparator(text, at, ':') && ReadDigits(text, at, 2, zoneMinute)) {
      if (zoneHour > 23 || zoneMinute > 59) return std::nullopt;
    } else {
      return std::nullopt;
    }
  }
  if (at != text.size() || hour > 23 || minute > 59 || second > 59) return std::nullopt;
  return (hour * 3600.0 + minute * 60.0 + second + fraction) / 86400.0;
}

}  // namespace

std::optional<double> IsoDateTimeSerial(std::string_view text, DateSystem system) {
  if (!text.empty() && text[0] == 'T') return ReadTime(text, 1);
  if (text.size() > 2 && text[2] == ':') return ReadTime(text, 0);
  std::size_t at = 0;
  int year = 0;
  int month = 0;
  int day = 0;
  if (!ReadDigits(text, at, 4, year) || !ReadSeparator(text, at, '-') ||
      !ReadDigits(text, at, 2, month) || !ReadSeparator(text, at, '-') ||
      !ReadDigits(text, at, 2, day))
    return std::nullopt;
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return std::nullopt;
  double time = 0;
  if (at < text.size()) {
    if (text[at] != 'T') return std::nullopt;
    const std::optional<double> read = ReadTime(text, at + 1);
    if (!read) return std::nullopt;
    time = *read;
  }
  const std::int64_t days = DaysFromCivil(year, month, day);
  std::int64_t serial = 0;
  if (system == DateSystem::k1904) {
    serial = days - DaysFromCivil(1904, 1, 1);
  } else {
    serial = days - DaysFromCivil(1899, 12, 30);
    // Before 1900-03-01 the system has no 29th of February to count; day 0
    // is 1899-12-31, and writers that count from 1899-12-30 write that too.
    if (serial > 0 && serial < 61) --serial;
  }
  if (serial < 0) return std::nullopt;
  return static_cast<double>(serial) + time;
}

}  // namespace tabulox
