#include "ods/ods_values.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <string>
#include <utility>

namespace tabulox {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads `count` digits at `at` into `value`.
bool ReadDigits(std::string_view text, std::size_t& at, std::size_t count, int& value) {
  if (at + count > text.size()) return false;
  value = 0;
  for (std::size_t i = 0; i < count; ++i) {
    if (!IsDigit(text[at + i])) return false;
    value = value * 10 + (text[at + i] - '0');
  }
  at += count;
  return true;
}

// Days from 1970-01-01 to a proleptic Gregorian date.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

// 1899-12-30, the day serial 0, counted from 1970-01-01.
constexpr std::int64_t kSerialBase = -25569;

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

std::optional<double> ParseOdsNumber(std::string_view text) {
  text = Trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  double value = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (error != std::errc() || stop != end || text.empty()) return std::nullopt;
  return value;
}

std::optional<double> ParseOdsDate(std::string_view text) {
  text = Trimmed(text);
  std::size_t at = 0;
  int year = 0;
  int month = 0;
  int day = 0;
  if (!ReadDigits(text, at, 4, year) || at >= text.size() || text[at++] != '-' ||
      !ReadDigits(text, at, 2, month) || at >= text.size() || text[at++] != '-' ||
      !ReadDigits(text, at, 2, day))
    return std::nullopt;
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > 31) return std::nullopt;
  double serial = static_cast<double>(DaysFromCivil(year, month, day) - kSerialBase);
  if (at == text.size()) return serial;
  if (text[at++] != 'T') return std::nullopt;
  int hours = 0;
  int minutes = 0;
  int seconds = 0;
  if (!ReadDigits(text, at, 2, hours) || at >= text.size() || text[at++] != ':' ||
      !ReadDigits(text, at, 2, minutes))
    return std::nullopt;
  double fraction = 0;
  if (at < text.size() && text[at] == ':') {
    ++at;
    if (!ReadDigits(text, at, 2, seconds)) return std::nullopt;
    if (at < text.size() && (text[at] == '.' || text[at] == ',')) {
      double scale = 0.1;
      for (++at; at < text.size() && IsDigit(text[at]); ++at, scale /= 10) fraction += (text[at] - '0') * scale;
    }
  }
  // A time zone is left as written: the cell shows the time it holds.
  if (at < text.size() && text[at] != 'Z' && text[at] != '+' && text[at] != '-') return std::nullopt;
  if (hours > 24 || minutes > 59 || seconds > 60) return std::nullopt;
  serial += (hours * 3600.0 + minutes * 60.0 + seconds + fraction) / 86400.0;
  return serial;
}

std::optional<double> ParseOdsDuration(std::string_view text) {
  text = Trimmed(text);
  bool negative = false;
  if (!text.empty() && text.front() == '-') {
    negative = true;
    text.remove_prefix(1);
  }
  if (text.empty() || text.front() != 'P') return std::nullopt;
  text.remove_prefix(1);
  double days = 0;
  bool inTime = false;
  bool anyPart = false;
  while (!text.empty()) {
    if (text.front() == 'T') {
      inTime = true;
      text.remove_prefix(1);
      continue;
    }
    std::size_t length = 0;
    while (length < text.size() && (IsDigit(text[length]) || text[length] == '.' || text[length] == ','))
      ++length;
    if (length == 0 || length == text.size()) return std::nullopt;
    std::string number(text.substr(0, length));
    for (char& c : number)
      if (c == ',') c = '.';
    double amount = 0;
    const auto [stop, error] = std::from_chars(number.data(), number.data() + number.size(), amount);
    if (error != std::errc() || stop != number.data() + number.size()) return std::nullopt;
    const char unit = text[length];
    text.remove_prefix(length + 1);
    anyPart = true;
    if (!inTime && unit == 'Y') {
      days += amount * 365;
    } else if (!inTime && unit == 'M') {
      days += amount * 30;
    } else if (!inTime && unit == 'D') {
      days += amount;
    } else if (inTime && unit == 'H') {
      days += amount / 24;
    } else if (inTime && unit == 'M') {
      days += amount / 1440;
    } else if (inTime && unit == 'S') {
      days += amount / 86400;
    } else {
      return std::nullopt;
    }
  }
  if (!anyPart) return std::nullopt;
  return negative ? -days : days;
}

std::uint32_t ParseOdsRepeat(std::string_view text, std::uint32_t limit) {
  text = Trimmed(text);
  if (text.empty()) return 1;
  std::uint64_t count = 0;
  for (const char c : text) {
    if (!IsDigit(c)) return 1;
    count = count * 10 + static_cast<std::uint64_t>(c - '0');
    if (count > limit) return limit;
  }
  return count == 0 ? 1 : static_cast<std::uint32_t>(count);
}

std::optional<std::uint8_t> OdsErrorCode(std::string_view text) {
  static constexpr std::array<std::pair<std::string_view, std::uint8_t>, 7> kErrors{{
      {"#NULL!", 0x00},
      {"#DIV/0!", 0x07},
      {"#VALUE!", 0x0F},
      {"#REF!", 0x17},
      {"#NAME?", 0x1D},
      {"#NUM!", 0x24},
      {"#N/A", 0x2A},
  }};
  for (const auto& [name, code] : kErrors)
    if (name == text) return code;
  return std::nullopt;
}

bool IsOdsErrorText(std::string_view text) {
  if (OdsErrorCode(text)) return true;
  if (!text.starts_with("Err:") || text.size() == 4) return false;
  return std::all_of(text.begin() + 4, text.end(), IsDigit);
}

}  // namespace tabulox
