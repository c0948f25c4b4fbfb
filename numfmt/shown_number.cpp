// Numbers and scientific form: the digits of the value as applications show
// them (15 significant digits, then rounded half away from zero to the places
// of the code), laid out over the placeholders.
#include <algorithm>
#include <charconv>

#include "decimal_digits.h"
#include "regional_settings.h"
#include "section_renderers.h"
#include "whole_digits.h"

namespace tabulox {
namespace {

// Significant digits a value is shown with; later places show zeros.
constexpr int kShownSignificantDigits = 15;
// Decimal places shown at most; further decimal placeholders write nothing.
constexpr int kMaxShownDecimals = 30;
// Percent signs and scaling commas that count at most, which keeps every
// shown number within a few hundred digits.
constexpr int kMaxScalingSteps = 100;

// The digits of the magnitude as shown: 15 significant digits, the decimal
// exponent moved by the code's percent signs and scaling commas.
DecimalDigits ShownDigits(const FormatSection& section, double magnitude) {
  DecimalDigits digits = ToDecimalDigits(magnitude, kShownSignificantDigits, kNoDecimalLimit);
  if (digits.count > 0)
    digits.exponent += 2 * std::min(section.percents, kMaxScalingSteps) -
                       3 * std::min(section.thousandsScaling, kMaxScalingSteps);
  return digits;
}

// The whole part of 0.D × 10^X, without leading zeros ("" when it is 0).
std::string WholePart(const DecimalDigits& digits) {
  std::string whole;
  for (int p = 0; p < digits.exponent; ++p)
    whole.push_back(p < digits.count ? digits.digits[p] : '0');
  return whole;
}

// The first `decimals` decimal places of 0.D × 10^X.
std::string DecimalPlaces(const DecimalDigits& digits, int decimals) {
  std::string places(static_cast<std::size_t>(decimals), '0');
  for (int q = 0; q < decimals; ++q) {
    const long long index = static_cast<long long>(digits.exponent) + q;
    if (index >= 0 && index < digits.count) places[static_cast<std::size_t>(q)] = digits.digits[index];
  }
  return places;
}

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// Walks the tokens of a number section, or the mantissa and exponent of a
// scientific one.
class NumberWriter {
 public:
  NumberWriter(const FormatSection& section, const DecimalDigits& digits, int decimals,
               std::string& out)
      : section_(section),
        settings_(CurrentRegionalSettings()),
        whole_(WholePart(digits)),
        places_(DecimalPlaces(digits, decimals)),
        decimals_(decimals),
        out_(out) {
    // Trailing zero places of "#" and "?" placeholders are not shown.
    const std::string& symbols = section.decimalPlaceholders;
    shownPlaces_ = decimals;
    while (shownPlaces_ > 0 && places_[static_cast<std::size_t>(shownPlaces_ - 1)] == '0' &&
           symbols[static_cast<std::size_t>(shownPlaces_ - 1)] != '0')
      --shownPlaces_;
  }

  bool IsZero() const {
    return whole_.empty() && places_.find_first_not_of('0') == std::string::npos;
  }

  void Write(int exponent) {
    const std::string_view group = section_.grouping && section_.kind == SectionKind::kNumber
                                       ? std::string_view(settings_.thousandsSeparator)
                                       : std::string_view();
    WholeDigitsWriter whole(whole_, std::max(section_.wholeDigits, 1), group);
    int place = 0;
    for (const FormatToken& token : section_.tokens) {
      switch (token.kind) {
        case TokenKind::kLiteral:
          out_ += section_.TextOf(token);
          break;
        case TokenKind::kDigit:
          if (token.part == DigitPart::kWhole) {
            whole.Write(token.symbol, out_);
          } else if (token.part == DigitPart::kDecimal) {
            if (place < shownPlaces_)
              out_.push_back(places_[static_cast<std::size_t>(place)]);
            else if (place < decimals_ && token.symbol == '?')
              out_.push_back(' ');
            ++place;
          }
          break;
        case TokenKind::kDecimalPoint:
          // A code without whole placeholders still shows the whole part.
          if (section_.wholeDigits == 0) whole.Write('#', out_);
          out_ += settings_.decimalSeparator;
          break;
        case TokenKind::kPercent:
          out_.push_back('%');
          break;
        case TokenKind::kExponent:
          WriteExponent(token, exponent);
          break;
        default:
          break;
      }
    }
  }

 private:
  void WriteExponent(const FormatToken& token, int exponent) {
    out_.push_back(token.symbol);
    if (exponent < 0)
      out_.push_back('-');
    else if (token.signAlways)
      out_.push_back('+');
    char buffer[16];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, exponent < 0 ? -exponent : exponent).ptr;
    const auto length = static_cast<int>(end - buffer);
    if (length < section_.exponentDigits)
      out_.append(static_cast<std::size_t>(section_.exponentDigits - length), '0');
    out_.append(buffer, end);
  }

  const FormatSection& section_;
  const RegionalSettings& settings_;
  std::string whole_;
  std::string places_;
  int decimals_;
  int shownPlaces_ = 0;
  std::string& out_;
};

}  // namespace

ShownValue AppendNumberSection(const FormatSection& section, double magnitude, std::string& out) {
  const int decimals = std::min(section.decimalDigits, kMaxShownDecimals);
  DecimalDigits digits = ShownDigits(section, magnitude);
  int exponent = 0;
  if (section.kind == SectionKind::kScientific && digits.count > 0) {
    // The exponent is a multiple of the whole placeholders ("##0.0E+0" gives
    // engineering form), so that the mantissa has 1 to that many whole digits.
    const int step = std::max(section.wholeDigits, 1);
    const int x = digits.exponent;
    exponent = FloorDiv(x - 1, step) * step;
    digits.exponent = x - exponent;
    digits = RoundedToDecimals(digits, decimals);
    if (digits.exponent > step) {  // rounded up into one more whole digit
      const int carried = exponent + digits.exponent;
      exponent = FloorDiv(carried - 1, step) * step;
      digits.exponent = carried - exponent;
    }
  } else {
    digits = RoundedToDecimals(digits, decimals);
  }
  NumberWriter writer(section, digits, decimals, out);
  writer.Write(exponent);
  return writer.IsZero() ? ShownValue::kZero : ShownValue::kNonZero;
}

}  // namespace tabulox
