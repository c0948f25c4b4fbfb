#include "numfmt/format_section.h"

#include <algorithm>

#include "numfmt/format_code_scan.h"
#include "numfmt/regional_format_codes.h"

namespace tabulox {
namespace {

char ToLowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c; }

bool IsPlaceholder(char c) { return c == '0' || c == '#' || c == '?'; }

bool IsDateLetter(char lower) {
  return lower == 'y' || lower == 'm' || lower == 'd' || lower == 'h' || lower == 's';
}

bool IsChar(const std::vector<CodeItem>& items, std::size_t i) {
  return i < items.size() && items[i].type == CodeItem::Type::kChar;
}

bool IsPlaceholderAt(const std::vector<CodeItem>& items, std::size_t i) {
  return IsChar(items, i) && IsPlaceholder(items[i].c);
}

// Do the unquoted bytes from `i` spell `word` (lower case), in any case?
bool SpellsAt(const std::vector<CodeItem>& items, std::size_t i, std::string_view word) {
  for (std::size_t k = 0; k < word.size(); ++k)
    if (!IsChar(items, i + k) || ToLowerAscii(items[i + k].c) != word[k]) return false;
  return true;
}

// Length of the AM/PM mark ("am/pm" or "a/p", any case) at `i`, 0 if none.
std::size_t AmPmLengthAt(const std::vector<CodeItem>& items, std::size_t i) {
  if (SpellsAt(items, i, "am/pm")) return 5;
  if (SpellsAt(items, i, "a/p")) return 3;
  return 0;
}

// The "/" of a fraction: a placeholder before it and a placeholder or a
// denominator digit after it. A code with a decimal point before it is a
// number with a "/" in its text.
bool IsFractionSlashAt(const std::vector<CodeItem>& items, std::size_t i) {
  if (!IsChar(items, i) || items[i].c != '/' || i == 0 || !IsPlaceholderAt(items, i - 1)) return false;
  return IsPlaceholderAt(items, i + 1) ||
         (IsChar(items, i + 1) && items[i + 1].c >= '1' && items[i + 1].c <= '9');
}

bool IsExponentAt(const std::vector<CodeItem>& items, std::size_t i) {
  return IsChar(items, i) && (items[i].c == 'E' || items[i].c == 'e') && IsChar(items, i + 1) &&
         (items[i + 1].c == '+' || items[i + 1].c == '-');
}

// With a Japanese locale "e" and "g" are date fields, but not the "E" of an
// exponent after a digit placeholder.
bool IsEraLetterAt(const std::vector<CodeItem>& items, std::size_t i, bool japaneseEras, bool digitSeen) {
  if (!japaneseEras || !IsChar(items, i)) return false;
  const char lower = ToLowerAscii(items[i].c);
  return lower == 'g' || (lower == 'e' && !(digitSeen && IsExponentAt(items, i)));
}

SectionKind KindOf(const std::vector<CodeItem>& items, bool japaneseEras) {
  bool text = false;
  bool general = false;
  bool date = false;
  bool digit = false;
  bool fraction = false;
  bool exponent = false;
  bool point = false;
  for (std::size_t i = 0; i < items.size(); ++i) {
    const CodeItem& item = items[i];
    if (item.type == CodeItem::Type::kElapsed) date = true;
    if (item.type != CodeItem::Type::kChar) continue;
    const char lower = ToLowerAscii(item.c);
    if (item.c == '@') {
      text = true;
    } else if (SpellsAt(items, i, "general")) {
      general = true;
      i += 6;
    } else if (IsDateLetter(lower) || AmPmLengthAt(items, i) > 0 ||
               IsEraLetterAt(items, i, japaneseEras, digit)) {
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
void ReadTextTokens(const std::vector<CodeItem>& items, FormatSection& section) {
  TokenWriter writer(section);
  int textValues = 0;
  // The text of the cell, at most kMaxTextValues times.
  const auto addTextValue = [&] {
    if (textValues++ < kMaxTextValues) writer.Add(TokenKind::kTextValue);
  };
  for (std::size_t i = 0; i < items.size(); ++i) {
    const CodeItem& item = items[i];
    if (item.type == CodeItem::Type::kText) {
      writer.Literal(item.text);
    } else if (item.type != CodeItem::Type::kChar) {
      continue;
    } else if (section.kind == SectionKind::kText && item.c == '@') {
      addTextValue();
    } else if (section.kind != SectionKind::kLiteral && SpellsAt(items, i, "general")) {
      if (section.kind == SectionKind::kText)
        addTextValue();
      else
        writer.Add(TokenKind::kGeneral);
      i += 6;
    } else {
      writer.Literal(item.c);
    }
  }
}

// Fixed denominators have at most this many digits; later digits are text.
constexpr int kMaxDenominatorDigits = 9;

void ReadNumberTokens(const std::vector<CodeItem>& items, FormatSection& section) {
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
    const CodeItem& item = items[i];
    if (item.type != CodeItem::Type::kChar) {
      if (item.type == CodeItem::Type::kText) writer.Literal(item.text);
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
        case DigitPart::kWhole:
          ++section.wholeDigits;
          section.wholePlaceholders.push_back(c);
          break;
        case DigitPart::kDecimal:
          ++section.decimalDigits;
          section.decimalPlaceholders.push_back(c);
          break;
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

// Whether the whole-part placeholders of a number section follow one another
// with no other token between them ("#,##0.00" but not "000-00-0000").
bool WholePlaceholdersStandTogether(const std::vector<FormatToken>& tokens) {
  const auto isWhole = [](const FormatToken& token) {
    return token.kind == TokenKind::kDigit && token.part == DigitPart::kWhole;
  };
  const auto first = std::find_if(tokens.begin(), tokens.end(), isWhole);
  const auto afterRun = std::find_if_not(first, tokens.end(), isWhole);
  return first != tokens.end() && std::none_of(afterRun, tokens.end(), isWhole);
}

// Sets `plain` and `wholeZeros` (see FormatSection) once the tokens are read.
void MarkPlainNumber(FormatSection& section) {
  const std::string& whole = section.wholePlaceholders;
  const std::size_t firstZero = std::min(whole.find_first_not_of('#'), whole.size());
  const bool hashesThenZeros = whole.find_first_not_of('0', firstZero) == std::string::npos;
  section.plain = section.kind == SectionKind::kNumber && section.wholeRun && hashesThenZeros &&
                  section.wholeDigits <= kMostPlainWholeDigits && section.decimalDigits <= kMostPlainDecimals &&
                  section.decimalPlaceholders.find_first_not_of('0') == std::string::npos &&
                  section.percents == 0 && section.thousandsScaling == 0;
  section.wholeZeros = static_cast<int>(whole.size() - firstZero);
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
    case TokenKind::kEraYear:
    case TokenKind::kEraName:
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

// Era letters with a Japanese locale. A run longer than a field is read as
// several: "eee" is "ee" then "e", "gggg" is "ggg" then "g".
void AddEraFields(TokenWriter& writer, char lower, std::size_t run) {
  const TokenKind kind = lower == 'e' ? TokenKind::kEraYear : TokenKind::kEraName;
  const std::size_t longest = lower == 'e' ? 2 : 3;
  while (run > 0) {
    const std::size_t count = std::min(run, longest);
    writer.Add(kind).count = static_cast<int>(count);
    run -= count;
  }
}

void ReadDateTimeTokens(const std::vector<CodeItem>& items, bool japaneseEras, FormatSection& section) {
  TokenWriter writer(section);
  bool secondSeen = false;
  std::size_t i = 0;
  while (i < items.size()) {
    const CodeItem& item = items[i];
    if (item.type == CodeItem::Type::kText) {
      writer.Literal(item.text);
      ++i;
      continue;
    }
    if (item.type == CodeItem::Type::kElapsed) {
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
    } else if (lower == 'e' || lower == 'g') {
      // Without a Japanese locale era years are the Gregorian year in the
      // en-US style ("e" is "yyyy") and era names write nothing.
      std::size_t run = 1;
      while (IsChar(items, i + run) && ToLowerAscii(items[i + run].c) == lower) ++run;
      if (japaneseEras)
        AddEraFields(writer, lower, run);
      else if (lower == 'e')
        writer.Add(TokenKind::kYear).count = 4;
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
  section.kind = KindOf(scanned.items, scanned.japaneseEras);
  switch (section.kind) {
    case SectionKind::kNumber:
    case SectionKind::kScientific:
    case SectionKind::kFraction:
      ReadNumberTokens(scanned.items, section);
      section.wholeRun = WholePlaceholdersStandTogether(section.tokens);
      MarkPlainNumber(section);
      break;
    case SectionKind::kDateTime:
      ReadDateTimeTokens(scanned.items, scanned.japaneseEras, section);
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

FormatSection ReadTextSection(std::string_view section) {
  const ScannedSection scanned = ScanSection(section);
  FormatSection result;
  result.kind = SectionKind::kText;
  ReadTextTokens(scanned.items, result);
  return result;
}

FormatSection ReadFormatSection(std::string_view section) {
  const ScannedSection scanned = ScanSection(section);
  if (scanned.regional == RegionalForm::kNone) return ReadScanned(scanned);
  // The regional long date or time in place of the section's own fields.
  const std::string code =
      scanned.regional == RegionalForm::kLongDate ? RegionalLongDateCode() : RegionalLongTimeCode();
  ScannedSection regional = ScanSection(code);
  regional.condition = scanned.condition;
  return ReadScanned(regional);
}

}  // namespace tabulox
