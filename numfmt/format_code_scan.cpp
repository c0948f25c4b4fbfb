#include "numfmt/format_code_scan.h"

#include <algorithm>
#include <charconv>

namespace tabulox {
namespace {

char ToLowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  if (text.size() < suffix.size()) return false;
  text.remove_prefix(text.size() - suffix.size());
  for (std::size_t i = 0; i < suffix.size(); ++i)
    if (ToLowerAscii(text[i]) != ToLowerAscii(suffix[i])) return false;
  return true;
}

bool ParseCondition(std::string_view content, SectionCondition& condition) {
  static constexpr struct {
    std::string_view text;
    CompareOp op;
  } kOperators[] = {{"<=", CompareOp::kLessEqual}, {">=", CompareOp::kGreaterEqual},
                    {"<>", CompareOp::kNotEqual},  {"<", CompareOp::kLess},
                    {">", CompareOp::kGreater},    {"=", CompareOp::kEqual}};
  for (const auto& entry : kOperators) {
    if (!content.starts_with(entry.text)) continue;
    std::string_view operand = content.substr(entry.text.size());
    while (!operand.empty() && operand.front() == ' ') operand.remove_prefix(1);
    while (!operand.empty() && operand.back() == ' ') operand.remove_suffix(1);
    double value = 0;
    const char* first = operand.data();
    if (!operand.empty() && operand.front() == '+') ++first;
    const auto result = std::from_chars(first, operand.data() + operand.size(), value);
    if (result.ec != std::errc() || result.ptr != operand.data() + operand.size()) return false;
    condition.op = entry.op;
    condition.operand = value;
    return true;
  }
  return false;
}

// A locale id in hexadecimal ("411", "10411") whose language is Japanese.
bool IsJapaneseLocaleId(std::string_view locale) {
  constexpr unsigned kJapanese = 0x0411;
  unsigned id = 0;
  const char* end = locale.data() + locale.size();
  const auto result = std::from_chars(locale.data(), end, id, 16);
  return result.ec == std::errc() && result.ptr == end && (id & 0xFFFF) == kJapanese;
}

// A bracketed item: a condition, a currency text and locale, an elapsed-time
// field; colours and anything else write nothing.
void ReadBracket(std::string_view content, ScannedSection& scanned) {
  if (content.empty()) return;
  const char first = content.front();
  if (first == '<' || first == '>' || first == '=') {
    if (!scanned.condition.IsSet()) ParseCondition(content, scanned.condition);
    return;
  }
  if (first == '$') {
    const std::string_view rest = content.substr(1);
    const std::size_t dash = rest.find('-');
    const std::string_view currency = rest.substr(0, dash);
    if (!currency.empty()) scanned.items.push_back({CodeItem::Type::kText, 0, 0, currency});
    const std::string_view locale = dash == std::string_view::npos ? "" : rest.substr(dash + 1);
    scanned.japaneseEras = scanned.japaneseEras || IsJapaneseLocaleId(locale);
    if (EndsWithNoCase(locale, "F800"))
      scanned.regional = RegionalForm::kLongDate;
    else if (EndsWithNoCase(locale, "F400"))
      scanned.regional = RegionalForm::kLongTime;
    return;
  }
  const char unit = ToLowerAscii(first);
  if (unit != 'h' && unit != 'm' && unit != 's') return;
  if (!std::all_of(content.begin(), content.end(), [unit](char c) { return ToLowerAscii(c) == unit; }))
    return;
  scanned.items.push_back({CodeItem::Type::kElapsed, unit, static_cast<int>(content.size()), {}});
}

}  // namespace

// Bytes of the UTF-8 character at `pos` (0 at the end of the text).
std::size_t CharacterLength(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return 0;
  std::size_t n = 1;
  while (pos + n < text.size() && (static_cast<unsigned char>(text[pos + n]) & 0xC0) == 0x80) ++n;
  return n;
}

ScannedSection ScanSection(std::string_view section) {
  ScannedSection scanned;
  scanned.items.reserve(section.size());
  // A "[" after the last "]" has no closing bracket; knowing where that is
  // keeps a run of them from searching the rest of the code each.
  const std::size_t lastClose = section.rfind(']');
  std::size_t i = 0;
  while (i < section.size()) {
    const char c = section[i];
    switch (c) {
      case '"': {
        // A quote without its closing quote is text itself.
        const std::size_t close = section.find('"', i + 1);
        if (close == std::string_view::npos) {
          scanned.items.push_back({CodeItem::Type::kText, 0, 0, section.substr(i, 1)});
          ++i;
        } else {
          scanned.items.push_back({CodeItem::Type::kText, 0, 0, section.substr(i + 1, close - i - 1)});
          i = close + 1;
        }
        break;
      }
      case '\\': {
        // A backslash that ends the code is text itself.
        const std::size_t length = CharacterLength(section, i + 1);
        scanned.items.push_back({CodeItem::Type::kText, 0, 0, section.substr(length > 0 ? i + 1 : i, length > 0 ? length : 1)});
        i += 1 + length;
        break;
      }
      case '_': {
        // The blank as wide as the next character: one space.
        const std::size_t length = CharacterLength(section, i + 1);
        if (length > 0) scanned.items.push_back({CodeItem::Type::kText, 0, 0, " "});
        i += 1 + length;
        break;
      }
      case '*':
        i += 1 + CharacterLength(section, i + 1);
        break;
      case '[': {
        if (lastClose == std::string_view::npos || lastClose < i) {
          scanned.items.push_back({CodeItem::Type::kChar, c, 0, {}});
          ++i;
        } else {
          const std::size_t close = section.find(']', i + 1);
          ReadBracket(section.substr(i + 1, close - i - 1), scanned);
          i = close + 1;
        }
        break;
      }
      default:
        scanned.items.push_back({CodeItem::Type::kChar, c, 0, {}});
        ++i;
        break;
    }
  }
  return scanned;
}

bool SectionCondition::Holds(double value) const {
  switch (op) {
    case CompareOp::kNone: return true;
    case CompareOp::kLess: return value < operand;
    case CompareOp::kLessEqual: return value <= operand;
    case CompareOp::kGreater: return value > operand;
    case CompareOp::kGreaterEqual: return value >= operand;
    case CompareOp::kEqual: return value == operand;
    case CompareOp::kNotEqual: return value != operand;
  }
  return false;
}

bool SectionCondition::SelectsNegatives() const {
  return (op == CompareOp::kLess || op == CompareOp::kLessEqual) && operand == 0;
}

std::vector<std::string_view> SplitFormatSections(std::string_view code) {
  std::vector<std::string_view> sections;
  const std::size_t lastClose = code.rfind(']');
  std::size_t begin = 0;
  std::size_t i = 0;
  while (i < code.size()) {
    const char c = code[i];
    if (c == '"') {
      const std::size_t close = code.find('"', i + 1);
      i = close == std::string_view::npos ? i + 1 : close + 1;
    } else if (c == '\\' || c == '_' || c == '*') {
      i += 1 + CharacterLength(code, i + 1);
    } else if (c == '[') {
      const bool closed = lastClose != std::string_view::npos && lastClose > i;
      i = closed ? code.find(']', i + 1) + 1 : i + 1;
    } else if (c == ';') {
      sections.push_back(code.substr(begin, i - begin));
      if (sections.size() == kMaxFormatSections) return sections;
      begin = ++i;
    } else {
      ++i;
    }
  }
  sections.push_back(code.substr(begin));
  return sections;
}

}  // namespace tabulox
