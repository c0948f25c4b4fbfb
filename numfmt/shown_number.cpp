// Numbers and scientific form: the digits of the value as applications show
// them (15 significant digits, then rounded half away from zero to the places
// of the code), laid out over the placeholders.
#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "numfmt/decimal_digits.h"
#include "numfmt/regional_settings.h"
#include "numfmt/section_renderers.h"
#include "numfmt/text_buffer.h"
#include "numfmt/whole_digits.h"

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

// Plain numbers: the scale of their places, and the bound below which the
// product magnitude × 10^places differs from the exact one by at most 2^-13
// and rounding the magnitude to 15 significant digits moves it by at most
// 5 × 10^-4; products whose fraction lies within kTieMargin of one half are
// left to the digits.
constexpr std::array<double, kMostPlainDecimals + 1> kPlainScale = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6};
constexpr std::array<std::uint64_t, kMostPlainDecimals + 1> kPlainUnits = {1,      10,      100,      1'000,
                                                                         10'000, 100'000, 1'000'000};
constexpr double kMostPlainProduct = 1e12;
constexpr double kTieMargin = 1e-3;

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

// The digit of 0.D × 10^X at `index` (0 the first place after the point when
// X is 0); places past D are zeros.
char DigitAt(const DecimalDigits& digits, long long index) {
  return index >= 0 && index < digits.count ? digits.digits[index] : '0';
}

// Walks the tokens of a number section, or the mantissa and exponent of a
// scientific one. The digits are read from 0.D × 10^X in place: the whole part
// is its first X digits, the decimal places those after.
class NumberWriter {
 public:
  NumberWriter(const FormatSection& section, const DecimalDigits& digits, int decimals, TextBuffer& out)
      : section_(section),
        settings_(CurrentRegionalSettings()),
        digits_(digits),
        wholeLength_(std::max(digits.exponent, 0)),
        decimals_(decimals),
        out_(out) {
    // Trailing zero places of "#" and "?" placeholders are not shown.
    const std::string& symbols = section.decimalPlaceholders;
    shownPlaces_ = decimals;
    while (shownPlaces_ > 0 && Place(shownPlaces_ - 1) == '0' &&
           symbols[static_cast<std::size_t>(shownPlaces_ - 1)] != '0')
      --shownPlaces_;
  }

  bool IsZero() const {
    if (wholeLength_ > 0) return false;
    for (int q = 0; q < decimals_; ++q)
      if (Place(q) != '0') return false;
    return true;
  }

  void Write(int exponent) {
    const std::string_view group = section_.grouping && section_.kind == SectionKind::kNumber
                                       ? std::string_view(settings_.thousandsSeparator)
                                       : std::string_view();
    const std::string_view leading(digits_.digits,
                                   static_cast<std::size_t>(std::clamp(digits_.count, 0, wholeLength_)));
    WholeDigitsWriter whole(leading, wholeLength_, std::max(section_.wholeDigits, 1), group);
    int place = 0;
    bool wholeWritten = false;
    for (const FormatToken& token : section_.tokens) {
      switch (token.kind) {
        case TokenKind::kLiteral:
          out_.Put(section_.TextOf(token));
          break;
        case TokenKind::kDigit:
          if (token.part == DigitPart::kWhole) {
            // Placeholders that stand together are written at the first.
            if (!section_.wholeRun)
              whole.Write(token.symbol, out_);
            else if (!wholeWritten)
              whole.WriteAll(section_.wholePlaceholders, out_);
            wholeWritten = true;
          } else if (token.part == DigitPart::kDecimal) {
            if (place < shownPlaces_)
              out_.Put(Place(place));
            else if (place < decimals_ && token.symbol == '?')
              out_.Put(' ');
            ++place;
          }
          break;
        case TokenKind::kDecimalPoint:
          // A code without whole placeholders still shows the whole part.
          if (section_.wholeDigits == 0) whole.Write('#', out_);
          out_.Put(settings_.decimalSeparator);
          break;
        case TokenKind::kPercent:
          out_.Put('%');
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
  // Decimal place `q` (0 the first after the point).
  char Place(int q) const { return DigitAt(digits_, static_cast<long long>(digits_.exponent) + q); }

  void WriteExponent(const FormatToken& token, int exponent) {
    out_.Put(token.symbol);
    if (exponent < 0)
      out_.Put('-');
    else if (token.signAlways)
      out_.Put('+');
    char buffer[16];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, exponent < 0 ? -exponent : exponent).ptr;
    const auto length = static_cast<int>(end - buffer);
    if (length < section_.exponentDigits)
      out_.Put(static_cast<std::size_t>(section_.exponentDigits - length), '0');
    out_.Put(std::string_view(buffer, static_cast<std::size_t>(end - buffer)));
  }

  const FormatSection& section_;
  const RegionalSettings& settings_;
  const DecimalDigits& digits_;
  int wholeLength_;  // digits of the whole part, 0 when it is 0
  int decimals_;
  int shownPlaces_ = 0;
  TextBuffer& out_;
};

}  // namespace

ShownValue AppendNumberSection(const FormatSection& section, double magnitude, std::string& out) {
  if (section.plain && AppendPlainNumber(section, magnitude, out)) return ShownValue::kNonZero;
  return AppendNumberByDigits(section, magnitude, out);
}

bool AppendPlainNumber(const FormatSection& section, double magnitude, std::string& out) {
  const int decimals = section.decimalDigits;
  const double product = magnitude * kPlainScale[static_cast<std::size_t>(decimals)];
  if (!(product < kMostPlainProduct)) return false;
  const auto floor = static_cast<std::uint64_t>(product);  // product >= 0
  const double fraction = product - static_cast<double>(floor);  // exact below 2^52
  if (std::fabs(fraction - 0.5) < kTieMargin) return false;
  const std::uint64_t n = floor + (fraction > 0.5 ? 1 : 0);
  if (n == 0) return false;

  // The decimal places, then the whole part without leading zeros, padded
  // with zeros to the "0" placeholders; each filled from its last digit.
  const std::uint64_t unit = kPlainUnits[static_cast<std::size_t>(decimals)];
  char places[kMostPlainDecimals];
  std::uint64_t rest = n % unit;
  for (int q = decimals - 1; q >= 0; --q) {
    places[q] = static_cast<char>('0' + rest % 10);
    rest /= 10;
  }
  char wholeDigits[kMostPlainWholeDigits];  // the product keeps the whole part below 10^12
  int start = kMostPlainWholeDigits;
  for (std::uint64_t whole = n / unit; whole != 0; whole /= 10)
    wholeDigits[--start] = static_cast<char>('0' + whole % 10);
  while (kMostPlainWholeDigits - start < section.wholeZeros) wholeDigits[--start] = '0';
  const std::string_view whole(wholeDigits + start, static_cast<std::size_t>(kMostPlainWholeDigits - start));

  const RegionalSettings& settings = CurrentRegionalSettings();
  const std::string_view group = section.grouping ? std::string_view(settings.thousandsSeparator) : "";
  TextBuffer buffer(out);
  int place = 0;
  bool wholeWritten = false;
  for (const FormatToken& token : section.tokens) {
    switch (token.kind) {
      case TokenKind::kLiteral:
        buffer.Put(section.TextOf(token));
        break;
      case TokenKind::kDigit:
        if (token.part == DigitPart::kDecimal) {
          buffer.Put(places[place++]);
        } else if (!wholeWritten) {
          // The whole part at the first whole placeholder, a separator after
          // every third digit from the right.
          for (std::size_t i = 0; i < whole.size(); ++i) {
            buffer.Put(whole[i]);
            const std::size_t position = whole.size() - 1 - i;
            if (!group.empty() && position > 0 && position % 3 == 0) buffer.Put(group);
          }
          wholeWritten = true;
        }
        break;
      case TokenKind::kDecimalPoint:
        buffer.Put(settings.decimalSeparator);
        break;
      default:
        break;
    }
  }
  return true;
}

ShownValue AppendNumberByDigits(const FormatSection& section, double magnitude, std::string& out) {
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
  TextBuffer buffer(out);
  NumberWriter writer(section, digits, decimals, buffer);
  writer.Write(exponent);
  return writer.IsZero() ? ShownValue::kZero : ShownValue::kNonZero;
}

}  // namespace tabulox
