#include "numfmt/locale_patterns.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <vector>

namespace tabulox {
namespace {

// One item of a strftime format: a conversion ("%-d" has conversion 'd' and
// flag '-'; "%Ey" modifier 'E') or one literal byte.
struct FormatItem {
  bool conversion = false;
  char letter = 0;  // the conversion character, or the literal byte
  char modifier = 0;
  bool noPadding = false;
};

// Nested formats are expanded at most this deep ("%r" inside T_FMT_AMPM).
constexpr int kMaxFormatNesting = 2;

void Flatten(std::string_view format, std::string_view ampmFormat, int depth,
             std::vector<FormatItem>& items) {
  std::size_t i = 0;
  while (i < format.size()) {
    if (format[i] != '%' || i + 1 == format.size()) {
      items.push_back({false, format[i++], 0, false});
      continue;
    }
    ++i;
    FormatItem item;
    item.conversion = true;
    while (i < format.size() && std::string_view("-_0^#").find(format[i]) != std::string_view::npos)
      item.noPadding |= format[i++] == '-';
    while (i < format.size() && format[i] >= '0' && format[i] <= '9') ++i;
    if (i < format.size() && (format[i] == 'E' || format[i] == 'O')) item.modifier = format[i++];
    if (i == format.size()) break;
    item.letter = format[i++];
    std::string_view expansion;
    switch (item.letter) {
      case 'D': expansion = "%m/%d/%y"; break;
      case 'F': expansion = "%Y-%m-%d"; break;
      case 'T': expansion = "%H:%M:%S"; break;
      case 'R': expansion = "%H:%M"; break;
      case 'r': expansion = ampmFormat.empty() ? "%I:%M:%S %p" : ampmFormat; break;
      case '%': items.push_back({false, '%', 0, false}); continue;
      default: items.push_back(item); continue;
    }
    if (depth < kMaxFormatNesting) Flatten(expansion, ampmFormat, depth + 1, items);
  }
}

std::vector<FormatItem> FlattenFormat(std::string_view format, std::string_view ampmFormat) {
  std::vector<FormatItem> items;
  Flatten(format, ampmFormat, 0, items);
  return items;
}

// Punctuation that separates the numbers of a date or a time. Spaces and other
// text between conversions are literal text, not a separator.
bool IsSeparatorByte(char c) { return std::string_view("./-,:").find(c) != std::string_view::npos; }

// Letters, separators and quotes mean something in a pattern; everything else
// stands for itself.
void AppendLiteral(char c, std::string& pattern) {
  const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
  if (letter || c == '/' || c == ':' || c == '\'') {
    pattern.push_back('"');
    pattern.push_back(c);
    pattern.push_back('"');
  } else if (c == '"') {
    pattern += "'\"'";
  } else {
    pattern.push_back(c);
  }
}

// The pattern tokens of one date or time conversion; empty when it has none.
std::string_view PatternOf(const FormatItem& item) {
  if (item.modifier == 'E') {
    switch (item.letter) {
      case 'C': return "gg";
      case 'y': return "eee";
      case 'Y': return "ggeee";
      default: break;
    }
  }
  switch (item.letter) {
    case 'd': return item.noPadding ? "d" : "dd";
    case 'e': return "d";
    case 'm': return item.noPadding ? "m" : "mm";
    case 'y': return "yy";
    case 'Y': return "yyyy";
    case 'b':
    case 'h': return "mmm";
    case 'B': return "mmmm";
    case 'a': return "ddd";
    case 'A': return "dddd";
    case 'H':
    case 'I': return item.noPadding ? "h" : "hh";
    case 'k':
    case 'l': return "h";
    case 'M': return item.noPadding ? "n" : "nn";
    case 'S': return item.noPadding ? "s" : "ss";
    case 'p':
    case 'P': return "AMPM";
    default: return {};
  }
}

bool IsHour(char letter) { return letter == 'H' || letter == 'I' || letter == 'k' || letter == 'l'; }

bool IsTwelveHour(char letter) { return letter == 'I' || letter == 'l'; }

bool ParseEraDate(std::string_view text, std::int32_t& day, std::int32_t& year) {
  if (text == "-*") {
    day = INT32_MIN;
    return true;
  }
  if (text == "+*") {
    day = INT32_MAX;
    return true;
  }
  int y = 0;
  unsigned m = 0;
  unsigned d = 0;
  const char* end = text.data() + text.size();
  auto r = std::from_chars(text.data(), end, y);
  if (r.ec != std::errc() || r.ptr == end || *r.ptr != '/') return false;
  r = std::from_chars(r.ptr + 1, end, m);
  if (r.ec != std::errc() || r.ptr == end || *r.ptr != '/') return false;
  r = std::from_chars(r.ptr + 1, end, d);
  if (r.ec != std::errc() || r.ptr != end) return false;
  // Era dates have no year 0: -1 is the year before 1.
  if (y < 0) ++y;
  const std::chrono::year_month_day ymd{std::chrono::year{y}, std::chrono::month{m},
                                        std::chrono::day{d}};
  if (!ymd.ok()) return false;
  constexpr std::chrono::sys_days kSerialBase{std::chrono::year{1899} / 12 / 30};
  day = static_cast<std::int32_t>((std::chrono::sys_days{ymd} - kSerialBase).count());
  year = y;
  return true;
}

}  // namespace

TranslatedDateFormat TranslateDateFormat(std::string_view strftimeFormat) {
  const std::vector<FormatItem> items = FlattenFormat(strftimeFormat, {});
  TranslatedDateFormat result;
  for (std::size_t i = 1; i + 1 < items.size(); ++i) {
    if (!items[i].conversion && items[i - 1].conversion && items[i + 1].conversion &&
        IsSeparatorByte(items[i].letter)) {
      result.separator.assign(1, items[i].letter);
      result.separatorFound = true;
      break;
    }
  }
  for (const FormatItem& item : items) {
    if (item.conversion)
      result.pattern += PatternOf(item);
    else if (result.separatorFound && item.letter == result.separator[0])
      result.pattern.push_back('/');
    else
      AppendLiteral(item.letter, result.pattern);
  }
  return result;
}

TranslatedTimeFormat TranslateTimeFormat(std::string_view strftimeFormat,
                                         std::string_view ampmFormat) {
  const std::vector<FormatItem> items = FlattenFormat(strftimeFormat, ampmFormat);
  TranslatedTimeFormat result;
  bool leadingZero = false;
  bool twelveHour = false;
  bool markSeen = false;
  bool markInFront = false;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const FormatItem& item = items[i];
    if (!item.conversion) continue;
    if (item.letter == 'p' || item.letter == 'P') {
      if (!markSeen) markInFront = !result.hourFound;
      markSeen = true;
    } else if (IsHour(item.letter) && !result.hourFound) {
      result.hourFound = true;
      leadingZero = (item.letter == 'H' || item.letter == 'I') && !item.noPadding;
      twelveHour = IsTwelveHour(item.letter);
      if (i + 1 < items.size() && !items[i + 1].conversion && IsSeparatorByte(items[i + 1].letter)) {
        result.separator.assign(1, items[i + 1].letter);
        result.separatorFound = true;
      }
    }
  }
  if (!result.hourFound) return result;
  twelveHour = twelveHour || markSeen;
  const std::string_view hour = leadingZero ? "hh" : "h";
  const std::string_view front = twelveHour && markInFront ? "AMPM " : "";
  const std::string_view behind = twelveHour && !markInFront ? " AMPM" : "";
  result.shortPattern.append(front).append(hour).append(":mm").append(behind);
  result.longPattern.append(front).append(hour).append(":mm:ss").append(behind);
  return result;
}

bool ParseEraSegment(std::string_view segment, CalendarEra& era) {
  std::string_view fields[6];
  for (int i = 0; i < 5; ++i) {
    const auto colon = segment.find(':');
    if (colon == std::string_view::npos) return false;
    fields[i] = segment.substr(0, colon);
    segment.remove_prefix(colon + 1);
  }
  fields[5] = segment;
  if (fields[0] != "+" && fields[0] != "-") return false;
  int offset = 0;
  const char* offsetEnd = fields[1].data() + fields[1].size();
  const auto r = std::from_chars(fields[1].data(), offsetEnd, offset);
  if (r.ec != std::errc() || r.ptr != offsetEnd) return false;
  std::int32_t startDay = 0;
  std::int32_t startYear = 0;
  std::int32_t endDay = 0;
  std::int32_t endYear = 0;
  if (fields[2] == "-*" || fields[2] == "+*") return false;
  if (!ParseEraDate(fields[2], startDay, startYear) || !ParseEraDate(fields[3], endDay, endYear))
    return false;
  era.firstDay = std::min(startDay, endDay);
  era.lastDay = std::max(startDay, endDay);
  era.startYear = startYear;
  era.firstYear = offset;
  // The years run towards the end date when the direction is "+".
  era.countsDown = (fields[0] == "-") != (startDay > endDay);
  era.name = std::string(fields[4]);
  return true;
}

}  // namespace tabulox
