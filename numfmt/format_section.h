// One section of a number-format code as spreadsheet applications read it:
// its condition, what kind of value layout it is, and its tokens. Quoted text,
// escaped characters, "_x" blanks and bracketed currency texts are literal
// tokens; "*x" fills, colours and locale ids write nothing.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tabulox {

enum class SectionKind : std::uint8_t {
  kLiteral,     // text only, written as it stands
  kGeneral,     // "General" among literal text
  kNumber,      // digit placeholders, decimal point, grouping, scaling, percent
  kScientific,  // a number with an exponent ("0.00E+00")
  kFraction,    // numerator "/" denominator, with or without a whole part
  kDateTime,    // date, time and elapsed-time fields
  kText,        // holds "@", the text of a text cell
};

enum class CompareOp : std::uint8_t {
  kNone,
  kLess,
  kLessEqual,
  kGreater,
  kGreaterEqual,
  kEqual,
  kNotEqual,
};

// A bracketed condition such as "[>=100]".
struct SectionCondition {
  CompareOp op = CompareOp::kNone;
  double operand = 0;

  bool IsSet() const { return op != CompareOp::kNone; }
  bool Holds(double value) const;
  // "[<0]" and "[<=0]": a section for negative values, which writes its own
  // signs.
  bool SelectsNegatives() const;
};

enum class TokenKind : std::uint8_t {
  kLiteral,          // the text at [offset, offset + length)
  kDigit,            // a digit placeholder "0", "#" or "?"
  kDecimalPoint,
  kPercent,
  kExponent,         // "E+", "E-" (also lower case)
  kFractionSlash,
  kFixedDenominator, // the denominator written in the code ("/100")
  kTextValue,        // "@" (and "General" in a text section)
  kGeneral,
  kYear,
  kMonth,
  kDay,
  kHour,
  kMinute,
  kSecond,
  kSubSecond,        // ".0", ".00", ".000" after the seconds
  kAmPm,             // "AM/PM", "A/P" as written
  kElapsedHours,     // "[h]", "[hh]"
  kElapsedMinutes,   // "[m]", "[mm]"
  kElapsedSeconds,   // "[s]", "[ss]"
  kEraYear,          // "e", "ee" with a Japanese locale: the year of the era
  kEraName,          // "g", "gg", "ggg" with a Japanese locale: the era's name
};

// Which part of a number a digit placeholder belongs to.
enum class DigitPart : std::uint8_t {
  kWhole,        // before the decimal point, or the whole part of a fraction
  kDecimal,
  kExponent,
  kNumerator,
  kDenominator,
};

struct FormatToken {
  TokenKind kind = TokenKind::kLiteral;
  char symbol = 0;  // kDigit: the placeholder; kExponent: the letter as written
  DigitPart part = DigitPart::kWhole;
  bool signAlways = false;  // kExponent: "+" writes the sign of positive exponents
  int count = 0;            // letters of a date or time field; digits of kSubSecond
  // kLiteral: where the text stands in the section's text; kAmPm: both marks
  // there, the AM mark first and `split` bytes long.
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
  std::uint32_t split = 0;
  std::int64_t denominator = 0;  // kFixedDenominator
};

inline constexpr int kMostPlainWholeDigits = 16;
inline constexpr int kMostPlainDecimals = 6;

struct FormatSection {
  SectionKind kind = SectionKind::kLiteral;
  SectionCondition condition;
  std::vector<FormatToken> tokens;
  std::string text;  // the literal texts of the tokens

  // Numbers, scientific form and fractions.
  bool grouping = false;
  int thousandsScaling = 0;  // trailing commas: each divides by 1000
  int percents = 0;          // each multiplies by 100
  int wholeDigits = 0;       // kWhole placeholders
  std::string wholePlaceholders;  // their symbols in order ("###0")
  bool wholeRun = false;     // they stand together, no other token between them
  // A kNumber section whose digits can be written straight from a whole
  // number: whole placeholders standing together, "#"s before "0"s, at most
  // kMostPlainWholeDigits of them; at most kMostPlainDecimals decimal
  // placeholders, all "0"; no percent signs or scaling commas.
  bool plain = false;
  int wholeZeros = 0;        // the "0" whole placeholders
  int decimalDigits = 0;     // kDecimal placeholders
  std::string decimalPlaceholders;  // their symbols in order ("00#")
  int exponentDigits = 0;    // "0" placeholders after the exponent mark
  int denominatorDigits = 0; // kDenominator placeholders

  // Dates and times.
  bool twelveHour = false;  // an AM/PM mark is present
  bool elapsed = false;     // "[h]", "[m]" or "[s]" is present
  int secondDecimals = 0;   // the most digits of a kSubSecond, at most 3

  std::string_view TextOf(const FormatToken& token) const {
    return std::string_view(text).substr(token.offset, token.length);
  }
};

// The sections of a code: split at ";" outside quotes, brackets and escaped
// characters. At most kMaxFormatSections are returned; the rest of the code is
// ignored. An empty code gives one empty section.
inline constexpr std::size_t kMaxFormatSections = 4;
std::vector<std::string_view> SplitFormatSections(std::string_view code);

// Reads one section (without its ";"). Never fails: what means nothing is
// literal text. "[$-F800]" and "[$-F400]" make the section the regional long
// date or long time.
FormatSection ReadFormatSection(std::string_view section);

// Reads the text section of a code: everything but "@" (and "General", which
// also stands for the text) is literal text, placeholders and date letters
// included. Only the first kMaxTextValues of them write the text, so that a
// long code cannot repeat a long text without end.
inline constexpr int kMaxTextValues = 16;
FormatSection ReadTextSection(std::string_view section);

}  // namespace tabulox
