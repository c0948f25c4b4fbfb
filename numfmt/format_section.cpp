#include "format_section.h"

#include <algorithm>
#include <charconv>

#include "regional_format_codes.h"

namespace tabulox {
namespace {

// One unit of a section before its kind is known: literal text, an unquoted
// byte, or an elapsed-time field.
struct Item {
  enum class Type : std::uint8_t { kText, kChar, kElapsed };
  Type type = Type::kChar;
  char c = 0;     // kChar: the byte; kElapsed: the unit letter, lower case
  int count = 0;  // kElapsed: letters
  std::string_view text;
};

enum class RegionalForm : std::uint8_t { kNone, kLongDate, kLongTime };

struct ScannedSection {
  std::vector<Item> items;
  SectionCondition condition;
  RegionalForm regional = RegionalForm::kNone;
};

char ToLowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool IsPlaceholder(char c) { return c == '0' || c == '#' || c == '?'; }

bool IsDateLetter(char lower) {
  return lower == 'y' || lower == 'm' || lower == 'd' || lower == 'h' || lower == 's';
}

// Bytes of the UTF-8 character at `pos` (0 at the end of the text).
std::size_t CharacterLength(std::string_view text, std::size_t pos) {
  if (pos >= text.size()) return 0;
  std::size_t n = 1;
  while (pos + n < text.size() && (static_cast<unsigned char>(text[pos + n]) & 0xC0) == 0x80) ++n;
  return n;
}

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
    if (!currency.empty()) scanned.items.push_back({Item::Type::kText, 0, 0, currency});
    const std::string_view locale = dash == std::string_view::npos ? "" : rest.substr(dash + 1);
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
  scanned.items.push_back({Item::Type::kElapsed, unit, static_cast<int>(content.size()), {}});
}

ScannedSection Scan(std::string_view section) {
  ScannedSection scanned;
  scanned.items.reserve(section.size());
  std::size_t i = 0;
  while (i < section.size()) {
    const char c = section[i];
    switch (c) {
      case '"': {
        // A quote without its closing quote is text itself.
        const std::size_t close = section.find('"', i + 1);
        if (close == std::string_view::npos) {
          scanned.items.push_back({Item::Type::kText, 0, 0, section.substr(i, 1)});
          ++i;
        } else {
          scanned.items.push_back({Item::Type::kText, 0, 0, section.substr(i + 1, close - i - 1)});
          i = close + 1;
        }
        break;
      }
      case '\\': {
        // A backslash that ends the code is text itself.
        const std::size_t length = CharacterLength(section, i + 1);
        scanned.items.push_back({Item::Type::kText, 0, 0, section.substr(length > 0 ? i + 1 : i, length > 0 ? length : 1)});
        i += 1 + length;
        break;
      }
      case '_': {
        // The blank as wide as the next character: one space.
        const std::size_t length = CharacterLength(section, i + 1);
        if (length > 0) scanned.items.push_back({Item::Type::kText, 0, 0, " "});
        i += 1 + length;
        break;
      }
      case '*':
        i += 1 + CharacterLength(section, i + 1);
        break;
      case '[': {
        const std::size_t close = section.find(']', i + 1);
        if (close == std::string_view::npos) {
          scanned.items.push_back({Item::Type::kChar, c, 0, {}});
          ++i;
        } else {
          ReadBracket(section.substr(i + 1, close - i - 1), scanned);
          i = close + 1;
        }
        break;
      }
      default:
        scanned.items.push_back({Item::Type::kChar, c, 0, {}});
        ++i;
        break;
    }
  }
  return scanned;
}

bool IsChar(const std::vector<Item>& items, std::size_t i) {
  return i < items.size() && items[i].type == Item::Type::kChar;
}

bool IsPlaceholderAt(const std::vector<Item>& items, std::size_t i) {
  return IsChar(items, i) && IsPlaceholder(items[i].c);
}

// Do the unquoted bytes from `i` spell `word` (lower case), in any case?
bool SpellsAt(const std::vector<Item>& items, std::size_t i, std::string_view word) {
  for (std::size_t k = 0; k < word.size(); ++k)
    if (!IsChar(items, i + k) || ToLowerAscii(items[i + k].c) != word[k]) return false;
  return true;
}

// Length of the AM/PM mark ("am/pm" or "a/p", any case) at `i`, 0 if none.
std::size_t AmPmLengthAt(const std::vector<Item>& items, std::size_t i) {
  if (SpellsAt(items, i, "am/pm")) return 5;
  if (SpellsAt(items, i, "a/p")) return 3;
  return 0;
}

// The "/" of a fraction: a placeholder before it and a placeholder or a
// denominator digit after it. A code with a decimal point before it is a
// number with a "/" in its text.
bool IsFractionSlashAt(const std::vector<Item>& items, std::size_t i) {
  if (!IsChar(items, i) || items[i].c != '/' || i == 0 || !IsPlaceholderAt(items, i - 1)) return false;
  return IsPlaceholderAt(items, i + 1) ||
         (IsChar(items, i + 1) && items[i + 1].c >= '1' && items[i + 1].c <= '9');
}

bool IsExponentAt(const std::vector<Item>& items, std::size_t i) {
  return IsChar(items, i) && (items[i].c == 'E' || items[i].c == 'e') && IsChar(items, i + 1) &&
         (items[i + 1].c == '+' || items[i + 1].c == '-');
}

SectionKind KindOf(const std::vector<Item>& items) {
  bool text = false;
  bool general = false;
  bool date = false;
  bool digit = false;
  bool fraction = false;
  bool exponent = false;
  bool point = false;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Item& item = items[i];
    if (item.type == Item::Type::kElapsed) date = true;
    if (item.type != Item::Type::kChar) continue;
    const char lower = ToLowerAscii(item.c);
    if (item.c == '@') {
      text = true;
    } else if (SpellsAt(items, i, "general")) {
      general = true;
      i += 6;
    } else if (IsDateLetter(lower) || AmPmLengthAt(items, i) > 0) {
      date = true;
    } else if (IsPlaceholder(item.c)) {
      digit = true;
    } else if (item.c == '.') {
      point = true;
    } else if (!point && IsFractionSlashAt(items, i)) {
      fraction = true;
    } else if (digit && IsExponentAt(items, i)) {
      exponent = true;
    }
  }
  if (text) return SectionKind::kText;
  if (general) return SectionKind::kGeneral;
  if (date) return SectionKind::kDateTime;
  if (fraction) return SectionKind::kFraction;
  if (exponent) return SectionKind::kScientific;
  if (digit) return SectionKind::kNumber;
  return SectionKind::kLiteral;
}

// Adds tokens to a section; literal text joins the literal token before it.
class TokenWriter {
 public:
  explicit TokenWriter(FormatSection& section) : section_(section) {}

  void Literal(std::string_view text) {
    if (text.empty()) return;
    std::vector<FormatToken>& tokens = section_.tokens;
    if (!tokens.empty() && tokens.back().kind == TokenKind::kLiteral &&
        tokens.back().offset + tokens.back().length == section_.text.size()) {
      tokens.back().length += static_cast<std::uint32_t>(text.size());
    } else {
      FormatToken token;
      token.offset = static_cast<std::uint32_t>(section_.text.size());
      token.length = static_cast<std::uint32_t>(text.size());
      tokens.push_back(token);
    }
    section_.text.append(text);
  }

  void Literal(char c) { Literal(std::string_view(&c, 1)); }

  FormatToken& Add(TokenKind kind) {
    FormatToken token;
    token.kind = kind;
    section_.tokens.push_back(token);
    return section_.tokens.back();
  }

  // A token whose text (the AM/PM marks) is kept in the section's text.
  FormatToken& AddWithText(TokenKind kind, std::string_view text) {
    FormatToken token;
    token.kind = kind;
    token.offset = static_cast<std::uint32_t>(section_.text.size());
    token.length = static_cast<std::uint32_t>(text.size());
    section_.text.append(text);
    section_.tokens.push_back(token);
    return section_.tokens.back();
  }

 private:
  FormatSection& section_;
};

// Literal text, "@" and "General": the tokens of text, General and literal
// sections.
void ReadTextTokens(const std::vector<Item>& items, FormatSection& section) {
  TokenWriter writer(section);
  for (std::size_t i = 0; i < items.size(); ++i) {
    const Item& item = items[i];
    if (item.type == Item::Type::kText) {
      writer.Literal(item.text);
    } else if (item.type != Item::Type::kChar) {
      continue;
    } else if (section.kind == SectionKind::kText && item.c == '@') {
      writer.Add(TokenKind::kTextValue);
    } else if (section.kind == SectionKind::kGeneral && SpellsAt(items, i, "general")) {
      writer.Add(TokenKind::kGeneral);
      i += 6;
    } else {
      writer.Literal(item.c);
    }
  }
}

// Fixed denominators have at most this many digits; later digits are text.
constexpr int kMaxDenominatorDigits = 9;

void ReadNumberTokens(const std::vector<Item>& items, FormatSection& section) {
  TokenWriter writer(section);
  const bool fraction = section.kind == SectionKind::kFraction;
  const bool scientific = section.kind == SectionKind::kScientific;
  // A fraction's numerator is the run of placeholders just before its "/".
  std::size_t slash = items.size();
  std::size_t numeratorStart = items.size();
  if (fraction) {
    for (std::size_t i = 0; i < items.size(); ++i) {
      if (IsFractionSlashAt(items, i)) {
        slash = i;
        break;
      }
    }
    numeratorStart = slash;
    while (numeratorStart > 0 && IsPlaceholderAt(items, numeratorStart - 1)) --numeratorStart;
  }
  DigitPart part = DigitPart::kWhole;
  bool pointSeen = false;
  std::size_t i = 0;
  while (i < items.size()) {
    const Item& item = items[i];
    if (item.type != Item::Type::kChar) {
      if (item.type == Item::Type::kText) writer.Literal(item.text);
      ++i;
      continue;
    }
    const char c = item.c;
    if (IsPlaceholder(c)) {
      if (fraction) part = i < numeratorStart ? DigitPart::kWhole
                           : i < slash        ? DigitPart::kNumerator
                                              : DigitPart::kDenominator;
      FormatToken& token = writer.Add(TokenKind::kDigit);
      token.symbol = c;
      token.part = part;
      switch (part) {
        case DigitPart::kWhole: ++section.wholeDigits; break;
        case DigitPart::kDecimal: ++section.decimalDigits; break;
        case DigitPart::kExponent: ++section.exponentDigits; break;
        case DigitPart::kNumerator: break;
        case DigitPart::kDenominator: ++section.denominatorDigits; break;
      }
      ++i;
    } else if (c == ',') {
      // Between two placeholders: grouping (in the whole part); after the last
      // placeholder: each divides by 1000; elsewhere text.
      std::size_t run = 0;
      while (IsChar(items, i + run) && items[i + run].c == ',') ++run;
      const bool afterDigit = i > 0 && IsPlaceholderAt(items, i - 1);
      const bool beforeDigit = IsPlaceholderAt(items, i + run);
      if (afterDigit && beforeDigit) {
        if (part == DigitPart::kWhole) section.grouping = true;
      } else if (afterDigit) {
        section.thousandsScaling += static_cast<int>(run);
      } else {
        for (std::size_t k = 0; k < run; ++k) writer.Literal(',');
      }
      i += run;
    } else if (c == '.' && !pointSeen && !fraction && part == DigitPart::kWhole) {
      writer.Add(TokenKind::kDecimalPoint);
      pointSeen = true;
      part = DigitPart::kDecimal;
      ++i;
    } else if (c == '%') {
      writer.Add(TokenKind::kPercent);
      ++section.percents;
      ++i;
    } else if (scientific && part != DigitPart::kExponent && IsExponentAt(items, i)) {
      FormatToken& token = writer.Add(TokenKind::kExponent);
      token.symbol = c;
      token.signAlways = items[i + 1].c == '+';
      part = DigitPart::kExponent;
      i += 2;
    } else if (fraction && i == slash) {
      writer.Add(TokenKind::kFractionSlash);
      ++i;
      if (IsChar(items, i) && items[i].c >= '1' && items[i].c <= '9') {
        std::int64_t denominator = 0;
        int digits = 0;
        while (digits < kMaxDenominatorDigits && IsChar(items, i) && items[i].c >= '0' && items[i].c <= '9') {
          denominator = denominator * 10 + (items[i].c - '0');
          ++digits;
          ++i;
        }
        writer.Add(TokenKind::kFixedDenominator).denominator = denominator;
      }
      part = DigitPart::kDenominator;
    } else {
      writer.Literal(c);
      ++i;
    }
  }
}

TokenKind DateFieldKind(char lower) {
  switch (lower) {
    case 'y': return TokenKind::kYear;
    case 'm': return TokenKind::kMonth;
    case 'd': return TokenKind::kDay;
    case 'h': return TokenKind::kHour;
    default: return TokenKind::kSecond;
  }
}

TokenKind ElapsedKind(char unit) {
  switch (unit) {
    case 'h': return TokenKind::kElapsedHours;
    case 'm': return TokenKind::kElapsedMinutes;
    default: return TokenKind::kElapsedSeconds;
  }
}

bool IsDateTimeField(TokenKind kind) {
  switch (kind) {
    case TokenKind::kYear:
    case TokenKind::kMonth:
    case TokenKind::kDay:
    case TokenKind::kHour:
    case TokenKind::kMinute:
    case TokenKind::kSecond:
    case TokenKind::kElapsedHours:
    case TokenKind::kElapsedMinutes:
    case TokenKind::kElapsedSeconds:
      return true;
    default:
      return false;
  }
}

// "m" and "mm" are minutes after an hour or before a second; the fields seen
// are those of the code as read, in one pass each way.
void ResolveMinutes(std::vector<FormatToken>& tokens) {
  std::vector<bool> minute(tokens.size(), false);
  TokenKind previous = TokenKind::kLiteral;
  for (std::size_t i = 0; i < tokens.size(); ++i) {
    if (!IsDateTimeField(tokens[i].kind)) continue;
    if (tokens[i].kind == TokenKind::kMonth && tokens[i].count <= 2 &&
        (previous == TokenKind::kHour || previous == TokenKind::kElapsedHours))
      minute[i] = true;
    previous = tokens[i].kind;
  }
  TokenKind next = TokenKind::kLiteral;
  for (std::size_t i = tokens.size(); i-- > 0;) {
    if (!IsDateTimeField(tokens[i].kind)) continue;
    if (tokens[i].kind == TokenKind::kMonth && tokens[i].count <= 2 &&
        (next == TokenKind::kSecond || next == TokenKind::kElapsedSeconds))
      minute[i] = true;
    next = tokens[i].kind;
  }
  for (std::size_t i = 0; i < tokens.size(); ++i)
    if (minute[i]) tokens[i].kind = TokenKind::kMinute;
}

// Digits of a fraction of a second that are rounded to; further "0"s write 0.
constexpr int kMaxSecondDecimals = 3;

void ReadDateTimeTokens(const std::vector<Item>& items, FormatSection& section) {
  TokenWriter writer(section);
  bool secondSeen = false;
  std::size_t i = 0;
  while (i < items.size()) {
    const Item& item = items[i];
    if (item.type == Item::Type::kText) {
      writer.Literal(item.text);
      ++i;
      continue;
    }
    if (item.type == Item::Type::kElapsed) {
      writer.Add(ElapsedKind(item.c)).count = item.count;
      section.elapsed = true;
      secondSeen = secondSeen || item.c == 's';
      ++i;
      continue;
    }
    const char lower = ToLowerAscii(item.c);
    if (IsDateLetter(lower)) {
      std::size_t run = 1;
      while (IsChar(items, i + run) && ToLowerAscii(items[i + run].c) == lower) ++run;
      writer.Add(DateFieldKind(lower)).count = static_cast<int>(run);
      secondSeen = secondSeen || lower == 's';
      i += run;
    } else if (const std::size_t length = AmPmLengthAt(items, i); length > 0) {
      std::string marks;
      for (std::size_t k = 0; k < length; ++k) marks.push_back(items[i + k].c);
      // "AM/PM" keeps "AM" and "PM", "A/P" keeps "A" and "P".
      const std::size_t markLength = (length - 1) / 2;
      std::string text = marks.substr(0, markLength) + marks.substr(markLength + 1);
      writer.AddWithText(TokenKind::kAmPm, text).split = static_cast<std::uint32_t>(markLength);
      section.twelveHour = true;
      i += length;
    } else if (item.c == '.' && secondSeen && IsChar(items, i + 1) && items[i + 1].c == '0') {
      std::size_t run = 0;
      while (IsChar(items, i + 1 + run) && items[i + 1 + run].c == '0') ++run;
      writer.Add(TokenKind::kSubSecond).count = static_cast<int>(run);
      section.secondDecimals = std::max(section.secondDecimals,
                                        std::min(static_cast<int>(run), kMaxSecondDecimals));
      i += 1 + run;
    } else {
      writer.Literal(item.c);
      ++i;
    }
  }
  ResolveMinutes(section.tokens);
}

FormatSection ReadScanned(const ScannedSection& scanned) {
  FormatSection section;
  section.condition = scanned.condition;
  section.kind = KindOf(scanned.items);
  switch (section.kind) {
    case SectionKind::kNumber:
    case SectionKind::kScientific:
    case SectionKind::kFraction:
      ReadNumberTokens(scanned.items, section);
      break;
    case SectionKind::kDateTime:
      ReadDateTimeTokens(scanned.items, section);
      break;
    case SectionKind::kLiteral:
    case SectionKind::kGeneral:
    case SectionKind::kText:
      ReadTextTokens(scanned.items, section);
      break;
  }
  return section;
}

}  // namespace

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
      const std::size_t close = code.find(']', i + 1);
      i = close == std::string_view::npos ? i + 1 : close + 1;
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

FormatSection ReadFormatSection(std::string_view section) {
  const ScannedSection scanned = Scan(section);
  if (scanned.regional == RegionalForm::kNone) return ReadScanned(scanned);
  // The regional long date or time in place of the section's own fields.
  const std::string code =
      scanned.regional == RegionalForm::kLongDate ? RegionalLongDateCode() : RegionalLongTimeCode();
  ScannedSection regional = Scan(code);
  regional.condition = scanned.condition;
  FormatSection result = ReadScanned(regional);
  return result;
}

}  // namespace tabulox
