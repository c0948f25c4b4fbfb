#include "numfmt/general_format.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "numfmt/decimal_digits.h"
#include "numfmt/regional_settings.h"

namespace tabulox {
namespace {

// Integers of smaller magnitude have at most 15 digits: their General form is
// the integer itself.
constexpr double kPlainIntegerLimit = 1e15;

// Digits are moved in blocks of this many bytes, whatever the number of them
// that counts; the text is then cut to the bytes that count.
constexpr std::size_t kBlock = 16;

// Room for any General form besides its separator (21 bytes at most: "-0.000"
// and 15 digits, or "-d", 14 digits and "E-324") and a block moved at its end.
constexpr std::size_t kMostFormBytes = 24 + kBlock;

// Separators up to this long are written in the text on the stack; no locale
// has a longer one.
constexpr std::size_t kMostInlineSeparatorBytes = 16;

char* PutSeparator(std::string_view separator, char* w) {
  if (separator.size() == 1) {
    *w = separator[0];
    return w + 1;
  }
  std::memcpy(w, separator.data(), separator.size());
  return w + separator.size();
}

// How the exponent of the exponent form is written: as it stands ("E15",
// "E-7"), or with its sign and at least two digits ("E+15", "E-07").
enum class ExponentStyle : std::uint8_t { kPlain, kSignedTwoDigits };

char* PutExponent(int exponent, ExponentStyle style, char* w) {
  *w++ = 'E';
  if (style == ExponentStyle::kPlain) return std::to_chars(w, w + 4, exponent).ptr;
  *w++ = exponent < 0 ? '-' : '+';
  const int magnitude = exponent < 0 ? -exponent : exponent;
  if (magnitude < 10) *w++ = '0';
  return std::to_chars(w, w + 3, magnitude).ptr;
}

// Writes the General form of the value 0.D × 10^x, D being the `count` digits
// at `digits` (readable for kGeneralDigits + kBlock bytes), at `w`, which has
// room for kMostFormBytes and the separator, and returns its end.
char* PutGeneral(const char* digits, int count, int x, bool negative, std::string_view separator,
                 ExponentStyle style, char* w) {
  if (negative) *w++ = '-';
  if (x > kGeneralDigits || x < -3) {
    *w++ = digits[0];
    if (count > 1) {
      w = PutSeparator(separator, w);
      std::memcpy(w, digits + 1, kBlock);
      w += count - 1;
    }
    return PutExponent(x - 1, style, w);
  }
  if (x > 0) {
    std::memcpy(w, digits, kBlock);
    if (count <= x) {
      // Trailing zeros of the integer part: any digit past the count is one.
      std::memset(w + count, '0', kBlock);
      return w + x;
    }
    w = PutSeparator(separator, w + x);
    std::memcpy(w, digits + x, kBlock);
    return w + (count - x);
  }
  *w++ = '0';
  w = PutSeparator(separator, w);
  std::memcpy(w, "000", 3);
  w += -x;
  std::memcpy(w, digits, kBlock);
  return w + count;
}

void AppendGeneralForm(double value, ExponentStyle style, std::string& out) {
  if (std::fabs(value) < kPlainIntegerLimit) {
    const auto whole = static_cast<std::int64_t>(value);
    if (static_cast<double>(whole) == value) {  // -0.0 too, written "0"
      char buf[24];
      const auto r = std::to_chars(buf, buf + sizeof buf, whole);
      out.append(buf, static_cast<std::size_t>(r.ptr - buf));
      return;
    }
  }
  if (std::isinf(value)) {
    out += value > 0 ? "INF" : "-INF";
    return;
  }
  if (std::isnan(value)) {
    out += "NAN";
    return;
  }
  // The digits padded so that a block can be moved from any of the first 15.
  char digits[kGeneralDigits + kBlock];
  std::memset(digits + kGeneralDigits, '0', kBlock);
  int x = 0;
  const int count = WriteGeneralDigits(value, digits, x);
  const bool negative = std::signbit(value);
  const std::string_view separator = CurrentRegionalSettings().decimalSeparator;
  char shortText[kMostFormBytes + kMostInlineSeparatorBytes];
  std::string longText;
  char* text = shortText;
  if (separator.size() > kMostInlineSeparatorBytes) {
    longText.resize(kMostFormBytes + separator.size());
    text = longText.data();
  }
  const char* end = PutGeneral(digits, count, x, negative, separator, style, text);
  out.append(text, static_cast<std::size_t>(end - text));
}

}  // namespace

void AppendGeneral(double value, std::string& out) {
  AppendGeneralForm(value, ExponentStyle::kPlain, out);
}

void AppendGeneralShown(double value, std::string& out) {
  AppendGeneralForm(value, ExponentStyle::kSignedTwoDigits, out);
}

std::string FormatGeneral(double value) {
  std::string out;
  AppendGeneral(value, out);
  return out;
}

}  // namespace tabulox
