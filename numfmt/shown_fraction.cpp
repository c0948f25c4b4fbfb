// Fractions: "# ?/?", "# ??/??", "# ??/100", "?/?". The fraction is the best
// approximation whose denominator has at most as many digits as the code has
// denominator placeholders, or the code's own denominator.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "numfmt/decimal_digits.h"
#include "numfmt/regional_settings.h"
#include "numfmt/section_renderers.h"
#include "numfmt/shown_fraction.h"
#include "numfmt/text_buffer.h"
#include "numfmt/whole_digits.h"

namespace tabulox {
namespace {

// Denominator digits that count at most; the best approximation takes a
// handful of steps whatever the limit.
constexpr int kMaxDenominatorDigits = 9;
// Percent signs and scaling commas that count at most.
constexpr int kMaxScalingSteps = 100;

std::string DigitsOf(double wholeNumber) {
  const DecimalDigits digits = ToDecimalDigits(wholeNumber, 15, 0);
  std::string text;
  for (int p = 0; p < digits.exponent; ++p) text.push_back(p < digits.count ? digits.digits[p] : '0');
  return text;
}

std::string DigitsOf(std::int64_t n) {
  char buffer[24];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, n).ptr;
  return std::string(buffer, end);
}

std::size_t CharacterCount(std::string_view text) {
  return static_cast<std::size_t>(std::count_if(
      text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// What the section asks for, read from its tokens.
struct FractionShape {
  bool hasWhole = false;
  bool numeratorShowsZero = false;  // a "0" among the numerator placeholders
  bool blanksAreSpaces = false;     // a "?" among the fraction's placeholders
  bool denominatorShowsZeros = false;  // a "0" among the denominator placeholders
  int numeratorDigits = 0;
  std::int64_t fixedDenominator = 0;
  std::size_t lastWholeToken = 0;
  std::size_t lastFractionToken = 0;  // the denominator's last token
};

FractionShape ShapeOf(const FormatSection& section) {
  FractionShape shape;
  for (std::size_t i = 0; i < section.tokens.size(); ++i) {
    const FormatToken& token = section.tokens[i];
    if (token.kind == TokenKind::kFixedDenominator) {
      shape.fixedDenominator = token.denominator;
      shape.lastFractionToken = i;
    }
    if (token.kind != TokenKind::kDigit) continue;
    switch (token.part) {
      case DigitPart::kWhole:
        shape.hasWhole = true;
        shape.lastWholeToken = i;
        break;
      case DigitPart::kNumerator:
        ++shape.numeratorDigits;
        shape.numeratorShowsZero = shape.numeratorShowsZero || token.symbol == '0';
        shape.blanksAreSpaces = shape.blanksAreSpaces || token.symbol == '?';
        break;
      default:
        shape.blanksAreSpaces = shape.blanksAreSpaces || token.symbol == '?';
        shape.denominatorShowsZeros = shape.denominatorShowsZeros || token.symbol == '0';
        shape.lastFractionToken = i;
        break;
    }
  }
  return shape;
}

}  // namespace

Fraction BestFraction(double x, std::int64_t maxDenominator) {
  if (!(x > 0) || maxDenominator < 1) return {0, 1};
  // Convergents p/q of the continued fraction of x; when the next one's
  // denominator passes the limit, the best semiconvergent within it competes
  // with the last convergent.
  std::int64_t p0 = 0, q0 = 1, p1 = 1, q1 = 0;
  long double y = x;
  for (int step = 0; step < 64; ++step) {
    const long double a = std::floor(y);
    if (q1 > 0) {
      const std::int64_t limit = (maxDenominator - q0) / q1;
      if (a > static_cast<long double>(limit)) {
        const Fraction convergent{p1, q1};
        const Fraction semi{limit * p1 + p0, limit * q1 + q0};
        const auto error = [x](const Fraction& f) {
          return std::fabs(static_cast<long double>(x) -
                           static_cast<long double>(f.numerator) / static_cast<long double>(f.denominator));
        };
        return limit > 0 && error(semi) < error(convergent) ? semi : convergent;
      }
    }
    const auto whole = static_cast<std::int64_t>(a);
    const std::int64_t p2 = whole * p1 + p0;
    const std::int64_t q2 = whole * q1 + q0;
    p0 = p1;
    q0 = q1;
    p1 = p2;
    q1 = q2;
    const long double rest = y - a;
    if (rest <= 0) break;
    y = 1 / rest;
  }
  return {p1, q1};
}

ShownValue AppendFractionSection(const FormatSection& section, double magnitude, std::string& out) {
  const FractionShape shape = ShapeOf(section);
  const int shift = 2 * std::min(section.percents, kMaxScalingSteps) -
                    3 * std::min(section.thousandsScaling, kMaxScalingSteps);
  if (shift != 0) magnitude *= std::pow(10.0, shift);
  if (!std::isfinite(magnitude)) return ShownValue::kOutOfRange;
  double whole = std::floor(magnitude);
  const double part = magnitude - whole;
  Fraction fraction{0, 1};
  if (shape.fixedDenominator > 0) {
    fraction.denominator = shape.fixedDenominator;
    fraction.numerator = static_cast<std::int64_t>(
        std::floor(static_cast<long double>(part) * static_cast<long double>(shape.fixedDenominator) + 0.5L));
  } else {
    const int digits = std::clamp(section.denominatorDigits, 1, kMaxDenominatorDigits);
    std::int64_t limit = 1;
    for (int i = 0; i < digits; ++i) limit *= 10;
    fraction = BestFraction(part, limit - 1);
  }
  if (fraction.numerator >= fraction.denominator) {
    whole += 1;
    fraction.numerator = 0;
  }
  // Without a whole part the fraction is improper; its numerator may be large.
  double numerator = static_cast<double>(fraction.numerator);
  if (!shape.hasWhole) {
    numerator += whole * static_cast<double>(fraction.denominator);
    whole = 0;
  }
  const bool zero = whole == 0 && numerator == 0;
  // A whole number shows blanks where the fraction would stand, unless the
  // numerator has a "0" placeholder.
  const bool blank = shape.hasWhole && numerator == 0 && !shape.numeratorShowsZero;

  const RegionalSettings& settings = CurrentRegionalSettings();
  const std::string wholeText = zero && shape.hasWhole ? "0" : whole == 0 ? "" : DigitsOf(whole);
  const std::string numeratorText = numerator != 0 ? DigitsOf(numerator) : shape.hasWhole ? "" : "0";
  const std::string denominatorText = DigitsOf(fraction.denominator);
  WholeDigitsWriter wholeWriter(wholeText, std::max(section.wholeDigits, 1),
                                section.grouping ? std::string_view(settings.thousandsSeparator) : "");
  WholeDigitsWriter numeratorWriter(numeratorText, std::max(shape.numeratorDigits, 1), "");
  WholeDigitsWriter denominatorWriter(denominatorText, std::max(section.denominatorDigits, 1), "");
  TextBuffer buffer(out);
  int denominatorPlace = 0;
  for (std::size_t i = 0; i < section.tokens.size(); ++i) {
    const FormatToken& token = section.tokens[i];
    const bool blanked = blank && i > shape.lastWholeToken && i <= shape.lastFractionToken;
    switch (token.kind) {
      case TokenKind::kLiteral:
        if (!blanked)
          buffer.Put(section.TextOf(token));
        else if (shape.blanksAreSpaces)
          buffer.Put(CharacterCount(section.TextOf(token)), ' ');
        break;
      case TokenKind::kDigit:
        if (token.part == DigitPart::kWhole) {
          wholeWriter.Write(token.symbol, buffer);
        } else if (blanked) {
          if (token.symbol == '?') buffer.Put(' ');
        } else if (token.part == DigitPart::kNumerator) {
          numeratorWriter.Write(token.symbol, buffer);
        } else if (shape.denominatorShowsZeros) {
          denominatorWriter.Write(token.symbol, buffer);
        } else {
          // The denominator stands left, blanks after it.
          if (denominatorPlace == 0)
            buffer.Put(denominatorText);
          else if (denominatorPlace >= static_cast<int>(denominatorText.size()) && token.symbol != '#')
            buffer.Put(' ');
          ++denominatorPlace;
        }
        break;
      case TokenKind::kFractionSlash:
        if (!blanked)
          buffer.Put('/');
        else if (shape.blanksAreSpaces)
          buffer.Put(' ');
        break;
      case TokenKind::kFixedDenominator:
        if (!blanked) buffer.Put(denominatorText);
        break;
      case TokenKind::kPercent:
        buffer.Put('%');
        break;
      default:
        break;
    }
  }
  return zero ? ShownValue::kZero : ShownValue::kNonZero;
}

}  // namespace tabulox
