// The number-pattern interpreter: renders a value through the rendering code of
// a number or percent format (sections, "0" and "#" digit placeholders,
// grouping, scientific form, quoted text). The code is read as bytes; only
// ASCII characters have a meaning, so multi-byte UTF-8 text passes through.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace tabulox {

// Longest rendering code the interpreter accepts, in bytes. A longer code is a
// format error that ends the conversion.
inline constexpr std::size_t kMaxNumberPatternLength = 224;

// What the placeholders of one section of a code ask for.
struct NumberSectionShape {
  int digitCount = 0;   // "0" and "#" placeholders, exponent digits excluded
  int decimalPos = 0;   // placeholders before the first "."
  int intZeros = 0;     // integer places that always show a digit
  int minDecimals = 0;  // decimal places that always show a digit
  bool grouping = false;
  bool scientific = false;
  // The placeholders outside quoted text: where the first one stands and the
  // position past the last one (both 0 when there is none), and whether only
  // placeholders, "." and "," stand between them.
  std::size_t firstPlaceholder = 0;
  std::size_t endPlaceholders = 0;
  bool placeholdersInOneRun = false;
  // The section is "0" or "#,##0", alone or followed by "." and one or more
  // "0": the integer digits (grouped for "#,##0"), then a fixed number of
  // decimals.
  bool fixedForm = false;
};

// A number or percent rendering code read once: its first three sections and
// the shape of each, so that every value only renders. Renders as
// FormatNumberPattern does with the same code; a code longer than
// kMaxNumberPatternLength bytes is kept unread and raises when it renders.
class NumberPattern {
 public:
  NumberPattern() = default;
  explicit NumberPattern(std::string code);

  const std::string& code() const { return code_; }

  // Appends the value rendered through the code to `out`; see
  // FormatNumberPattern.
  void Append(long double value, std::string& out) const;
  // The same for a double, without extended-precision arithmetic.
  void Append(double value, std::string& out) const;

 private:
  static constexpr std::size_t kSectionSlots = 3;
  struct Section {
    std::size_t begin = 0;
    std::size_t length = 0;  // 0: the section is missing or empty
    NumberSectionShape shape;
  };

  template <class Float>
  void AppendValue(Float value, std::string& out) const;

  std::string_view SectionText(std::size_t index) const {
    const Section& section = sections_[index];
    return std::string_view(code_).substr(section.begin, section.length);
  }

  std::string code_;
  std::array<Section, kSectionSlots> sections_{};
  bool tooLong_ = false;
};

// Appends the value rendered through `code` to `out`, using the separators of
// the regional settings in force. Infinities, NaN, magnitudes of 10^18 and more
// in fixed form, and codes whose first section is empty are written in General
// form. Raises ExtractionError("Format string too long") when the code is
// longer than kMaxNumberPatternLength bytes.
void FormatNumberPattern(std::string_view code, long double value, std::string& out);

}  // namespace tabulox
