#include "numfmt/number_pattern.h"

#include <algorithm>
#include <array>
#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>
#include <utility>

#include "core/extraction_error.h"
#include "numfmt/decimal_digits.h"
#include "numfmt/general_format.h"
#include "numfmt/regional_settings.h"

namespace tabulox {
namespace {

constexpr std::size_t kPositiveSection = 0;
constexpr std::size_t kNegativeSection = 1;
constexpr std::size_t kZeroSection = 2;

// Significant digits of the fixed form, and the largest decimal exponent X it
// lays out; larger magnitudes go to General form.
constexpr int kFixedSignificantDigits = 18;
constexpr int kFixedMaxExponent = 18;

// At most this many exponent "0"s of the code pad the written exponent.
constexpr int kMaxExponentDigits = 4;

bool IsQuote(char c) { return c == '"' || c == '\''; }

bool IsPlaceholder(char c) { return c == '0' || c == '#'; }

// True when code[i] is "E" or "e" directly followed by "+" or "-".
bool IsExponentMark(std::string_view code, std::size_t i) {
  return (code[i] == 'E' || code[i] == 'e') && i + 1 < code.size() &&
         (code[i + 1] == '+' || code[i + 1] == '-');
}

// Position just past the quoted text that starts at the quote code[i]: past
// the next occurrence of the same quote character, or the end of the code.
std::size_t SkipQuoted(std::string_view code, std::size_t i) {
  const std::size_t close = code.find(code[i], i + 1);
  return close == std::string_view::npos ? code.size() : close + 1;
}

// Appends the quoted text that starts at the quote code[i], without its
// quotes; an unterminated quote takes the rest of the code. Returns the
// position past it.
std::size_t AppendQuoted(std::string_view code, std::size_t i, std::string& out) {
  const std::size_t close = code.find(code[i], i + 1);
  if (close == std::string_view::npos) {
    out.append(code.substr(i + 1));
    return code.size();
  }
  out.append(code.substr(i + 1, close - i - 1));
  return close + 1;
}

bool IsFixedForm(std::string_view section) {
  if (section.starts_with("#,##0"))
    section.remove_prefix(5);
  else if (section.starts_with('0'))
    section.remove_prefix(1);
  else
    return false;
  if (section.empty()) return true;
  return section.size() >= 2 && section[0] == '.' &&
         section.find_first_not_of('0', 1) == std::string_view::npos;
}

NumberSectionShape ScanSection(std::string_view section) {
  NumberSectionShape shape;
  int placeholders = 0;
  int beforeFirstPoint = -1;
  int beforeFirstZero = -1;
  int throughLastZero = 0;
  std::size_t i = 0;
  while (i < section.size()) {
    const char c = section[i];
    if (IsQuote(c)) {
      i = SkipQuoted(section, i);
      continue;
    }
    if (IsExponentMark(section, i)) {
      shape.scientific = true;
      i += 2;
      while (i < section.size() && section[i] == '0') ++i;
      continue;
    }
    if (IsPlaceholder(c)) {
      if (placeholders == 0) shape.firstPlaceholder = i;
      shape.endPlaceholders = i + 1;
      if (c == '0') {
        if (beforeFirstZero < 0) beforeFirstZero = placeholders;
        throughLastZero = placeholders + 1;
      }
      ++placeholders;
    } else if (c == '.') {
      if (beforeFirstPoint < 0) beforeFirstPoint = placeholders;
    } else if (c == ',') {
      shape.grouping = true;
    }
    ++i;
  }
  shape.digitCount = placeholders;
  shape.decimalPos = beforeFirstPoint < 0 ? placeholders : beforeFirstPoint;
  shape.intZeros = beforeFirstZero < 0 ? 0 : std::max(0, shape.decimalPos - beforeFirstZero);
  shape.minDecimals = std::max(0, throughLastZero - shape.decimalPos);
  shape.fixedForm = IsFixedForm(section);
  shape.placeholdersInOneRun = std::all_of(
      section.begin() + static_cast<std::ptrdiff_t>(shape.firstPlaceholder),
      section.begin() + static_cast<std::ptrdiff_t>(shape.endPlaceholders),
      [](char c) { return IsPlaceholder(c) || c == '.' || c == ','; });
  return shape;
}

void AppendInt(int value, std::string& out) {
  char buf[16];
  const auto r = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, static_cast<std::size_t>(r.ptr - buf));
}

// Characters a run of placeholders writes, separators aside: the placeholders
// of the longest code and the extra digits of the first one.
constexpr std::size_t kMaxRunChars = kMaxNumberPatternLength + 32;

// Lays out one section: walks its characters with a position counter P (P >= 1
// integer places, P = 0 the first decimal place, P < 0 further decimal places).
class SectionWriter {
 public:
  SectionWriter(const NumberSectionShape& shape, const DecimalDigits& digits, std::string& out)
      : shape_(shape), digits_(digits), out_(out) {
    const RegionalSettings& settings = CurrentRegionalSettings();
    decimalSeparator_ = settings.decimalSeparator;
    if (shape.grouping) groupSeparator_ = settings.thousandsSeparator;
    if (shape.scientific) {
      position_ = shape.decimalPos;
      delta_ = 0;
    } else {
      position_ = std::max(digits.exponent, shape.decimalPos);
      delta_ = digits.exponent - shape.decimalPos;
    }
  }

  void Write(std::string_view section) {
    if (shape_.fixedForm && WriteFixed()) return;
    if (!shape_.scientific && shape_.placeholdersInOneRun) {
      // Between the first and the last placeholder only "." and "," stand,
      // which write nothing themselves.
      WriteText(section.substr(0, shape_.firstPlaceholder));
      PlaceholderRun(shape_.digitCount);
      WriteText(section.substr(shape_.endPlaceholders));
    } else {
      WriteText(section);
    }
  }

 private:
  // A section of a fixed form, as the placeholders would lay it out: the
  // integer digits of D (at least one, "0" when D has none, zeros past its
  // last digit), grouped where the code groups, then the decimal separator and
  // exactly minDecimals decimals. False, writing nothing, when the text would
  // not fit the buffer on the stack.
  bool WriteFixed() {
    const int exponent = digits_.exponent;
    const int count = digits_.count;
    const int decimals = shape_.minDecimals;
    const int intDigits = std::max(exponent, 1);
    const std::string_view group = groupSeparator_;
    const std::string_view decimal = decimalSeparator_;
    std::array<char, 160> buffer;
    if (static_cast<std::size_t>(intDigits) * (1 + group.size()) + decimal.size() +
            static_cast<std::size_t>(decimals) > buffer.size())
      return false;
    const auto digitAt = [&](int i) { return i >= 0 && i < count ? digits_.digits[i] : '0'; };
    char* w = buffer.data();
    // Digits left before the next group separator.
    int untilGroup = group.empty() ? -1 : (intDigits - 1) % 3 + 1;
    for (int p = 0; p < intDigits; ++p) {
      *w++ = exponent > 0 ? digitAt(p) : '0';
      if (--untilGroup == 0 && p + 1 < intDigits) {
        w = CopySeparator(group, w);
        untilGroup = 3;
      }
    }
    if (decimals > 0) {
      w = CopySeparator(decimal, w);
      for (int q = 0; q < decimals; ++q) *w++ = digitAt(exponent + q);
    }
    out_.append(buffer.data(), static_cast<std::size_t>(w - buffer.data()));
    return true;
  }

  // Walks the characters of (a part of) the section.
  void WriteText(std::string_view section) {
    std::size_t i = 0;
    while (i < section.size()) {
      const char c = section[i];
      if (IsPlaceholder(c)) {
        Placeholders(1);
        ++i;
      } else if (c == '.' || c == ',') {
        ++i;
      } else if (IsQuote(c)) {
        i = AppendQuoted(section, i, out_);
      } else if (IsExponentMark(section, i)) {
        i = Exponent(section, i);
      } else {
        out_.push_back(c);
        ++i;
      }
    }
  }

  // Lays out `n` placeholders in a row. While the first digit of D lies further
  // left than the placeholders before the "." reach (delta > 0), the first
  // placeholder takes the extra digits; while it lies further right (delta < 0),
  // each placeholder stands for a position before it, written as "0" only
  // within the integer zeros. Then each placeholder takes one digit position:
  // the next digit of D, a "0" once D is exhausted, or nothing for an optional
  // decimal place past the digits. The decimal separator goes before the digit
  // at P = 0, a group separator after each digit at P = 4, 7, 10, ...
  // The positions the next `n` placeholders stand for: `skips` before the
  // first digit of D while it lies further right (delta < 0), then `steps`,
  // the first placeholder taking the extra digits while it lies further left
  // (delta > 0). Uses delta up.
  void SplitPositions(int n, int& skips, int& steps) {
    skips = 0;
    steps = n;
    if (delta_ > 0) {
      steps += delta_;
      delta_ = 0;
    } else if (delta_ < 0) {
      skips = std::min(-delta_, n);
      steps -= skips;
      delta_ += skips;
    }
  }

  void Placeholders(int n) {
    if (n <= 0) return;
    int skips = 0;
    int steps = 0;
    SplitPositions(n, skips, steps);
    const std::string_view decimal = decimalSeparator_;
    const std::string_view group = groupSeparator_;
    const std::size_t most =
        static_cast<std::size_t>(skips + steps) * (1 + group.size()) + decimal.size();
    // Written in place of a short buffer when they may not fit it.
    std::array<char, 64> buffer;
    const bool inPlace = most > buffer.size();
    const std::size_t start = out_.size();
    if (inPlace) out_.resize(start + most);
    char* const first = inPlace ? out_.data() + start : buffer.data();
    char* w = first;
    int position = position_;
    const auto put = [&](char digit) {
      if (position == 0) w = CopySeparator(decimal, w);
      *w++ = digit;
      if (!group.empty() && position > 1 && static_cast<unsigned>(position) % 3 == 1)
        w = CopySeparator(group, w);
    };
    const int intZeros = shape_.intZeros;
    for (int k = 0; k < skips; ++k, --position)
      if (position <= intZeros) put('0');
    const int count = digits_.count;
    const int lastShown = -shape_.minDecimals;
    int next = next_;
    for (int k = 0; k < steps; ++k, --position) {
      if (next < count)
        put(digits_.digits[next++]);
      else if (position > lastShown)
        put('0');
    }
    position_ = position;
    next_ = next;
    if (inPlace)
      out_.resize(start + static_cast<std::size_t>(w - first));
    else
      out_.append(first, static_cast<std::size_t>(w - first));
  }

  // What Placeholders(n) writes, worked out as runs rather than one position at
  // a time. The positions written are one descending range: the skipped ones
  // within the integer zeros ("0"), then D's next digits, then "0"s while a
  // position is shown; separators go among them as Placeholders puts them.
  void PlaceholderRun(int n) {
    if (n <= 0) return;
    if (static_cast<std::size_t>(n) + static_cast<std::size_t>(std::max(delta_, 0)) > kMaxRunChars) {
      Placeholders(n);
      return;
    }
    int skips = 0;
    int steps = 0;
    SplitPositions(n, skips, steps);
    const int stepsFrom = position_ - skips;  // position of the first step
    const int zerosFrom = std::min(position_, shape_.intZeros);
    const int leadZeros = std::max(0, zerosFrom - stepsFrom);
    const int fromDigits = std::min(steps, digits_.count - next_);
    const int lowestShown = std::max(stepsFrom - steps + 1, 1 - shape_.minDecimals);
    const int trailZeros = std::max(0, stepsFrom - fromDigits - lowestShown + 1);
    const int total = leadZeros + fromDigits + trailZeros;
    const int high = leadZeros > 0 ? zerosFrom : stepsFrom;  // position of the first one
    position_ = stepsFrom - steps;
    if (total == 0) return;

    // The characters without separators: at most the placeholders of a code
    // and the digits of D.
    std::array<char, kMaxRunChars> chars;
    std::memset(chars.data(), '0', static_cast<std::size_t>(leadZeros));
    std::memcpy(chars.data() + leadZeros, digits_.digits + next_, static_cast<std::size_t>(fromDigits));
    std::memset(chars.data() + leadZeros + fromDigits, '0', static_cast<std::size_t>(trailZeros));
    next_ += fromDigits;

    const std::string_view decimal = decimalSeparator_;
    const std::string_view group = groupSeparator_;
    const int integerChars = std::clamp(high, 0, total);
    const std::size_t start = out_.size();
    out_.resize(start + static_cast<std::size_t>(total) * (1 + group.size()) + decimal.size());
    char* w = out_.data() + start;
    if (group.empty()) {
      std::memcpy(w, chars.data(), static_cast<std::size_t>(integerChars));
      w += integerChars;
    } else {
      // A group separator follows the digit at each position 4, 7, 10, ...:
      // the first group ends at the highest such position, each next one
      // three positions lower.
      const char* c = chars.data();
      const char* const end = c + integerChars;
      int run = std::min((high - 1) % 3 + 1, integerChars);
      while (run > 0) {
        w[0] = c[0];
        if (run > 1) w[1] = c[1];
        if (run > 2) w[2] = c[2];
        w += run;
        c += run;
        if (c == end) break;
        w = CopySeparator(group, w);
        run = std::min(3, static_cast<int>(end - c));
      }
      // Integer positions left without a character (when they run past the
      // characters written) keep the separator after the last one.
      const int below = high - integerChars;
      if (integerChars > 0 && below >= 1 && below % 3 == 0) w = CopySeparator(group, w);
    }
    if (integerChars < total) {
      if (high - integerChars == 0) w = CopySeparator(decimal, w);
      std::memcpy(w, chars.data() + integerChars, static_cast<std::size_t>(total - integerChars));
      w += total - integerChars;
    }
    out_.resize(static_cast<std::size_t>(w - out_.data()));
  }

  static char* CopySeparator(std::string_view separator, char* w) {
    if (separator.size() == 1) {
      *w = separator[0];
      return w + 1;
    }
    std::memcpy(w, separator.data(), separator.size());
    return w + separator.size();
  }

  // Writes "E"/"e", the exponent's sign and digits; returns the position past
  // the sign and the exponent "0"s of the code.
  std::size_t Exponent(std::string_view section, std::size_t i) {
    out_.push_back(section[i]);
    const char sign = section[i + 1];
    std::size_t j = i + 2;
    int zeros = 0;
    while (j < section.size() && section[j] == '0') {
      ++zeros;
      ++j;
    }
    const int exponent = digits_.count == 0 ? 0 : digits_.exponent - shape_.decimalPos;
    if (exponent < 0)
      out_.push_back('-');
    else if (sign == '+')
      out_.push_back('+');
    const int magnitude = std::abs(exponent);
    int width = 1;
    for (int rest = magnitude / 10; rest > 0; rest /= 10) ++width;
    const int padTo = std::clamp(zeros, 1, kMaxExponentDigits);
    if (width < padTo) out_.append(static_cast<std::size_t>(padTo - width), '0');
    AppendInt(magnitude, out_);
    return j;
  }

  const NumberSectionShape& shape_;
  const DecimalDigits& digits_;
  std::string& out_;
  std::string_view decimalSeparator_;
  std::string_view groupSeparator_;
  int position_ = 0;
  int delta_ = 0;
  int next_ = 0;
};

// Fixed forms with up to this many decimals may be written from one product.
constexpr int kMostDirectDecimals = 6;
// Products below this bound differ from the exact value times 10^decimals by
// at most 2^-13 (half a unit in the last place of a double below 2^40), and
// the 18-digit form of the value by at most 5e-7 of a unit more.
constexpr double kMostDirectProduct = 1e12;
// Products whose fraction lies this close to one half are left to the
// digit-by-digit rounding: there the product's error could decide the
// direction.
constexpr double kTieMargin = 1e-3;

// Separators longer than this are left to the fixed-form writer.
constexpr std::size_t kMostDirectSeparatorBytes = 16;

// Puts `separator` before `p` and returns its start.
char* PutBefore(std::string_view separator, char* p) {
  if (separator.size() == 1) {
    *--p = separator[0];
    return p;
  }
  p -= separator.size();
  std::memcpy(p, separator.data(), separator.size());
  return p;
}

// The fixed form of an ordinary double written straight from N, its magnitude
// times 10^decimals rounded half away from zero: N's integer digits (grouped
// where the form groups, "0" for none), then the decimal separator and
// exactly `decimals` digits. Gives the text that ToDecimalDigits and the
// fixed-form writer give, or false, writing nothing, where the product may
// round otherwise than the 18-digit form (a fraction near one half), where N
// is 0 (the zero section may serve) or large, or where a separator is long.
bool AppendFixedFromProduct(double value, const NumberSectionShape& shape, bool withSign,
                            std::string& out) {
  static constexpr std::array<double, kMostDirectDecimals + 1> kScale = {1e0, 1e1, 1e2, 1e3,
                                                                        1e4, 1e5, 1e6};
  static constexpr std::array<std::uint64_t, kMostDirectDecimals + 1> kUnits = {
      1, 10, 100, 1'000, 10'000, 100'000, 1'000'000};
  const int decimals = shape.minDecimals;
  if (decimals > kMostDirectDecimals) return false;
  const double product = std::fabs(value) * kScale[static_cast<std::size_t>(decimals)];
  if (!(product < kMostDirectProduct)) return false;
  const auto whole = static_cast<std::uint64_t>(product);  // the floor: product >= 0
  const double fraction = product - static_cast<double>(whole);  // exact below 2^52
  if (std::fabs(fraction - 0.5) < kTieMargin) return false;
  const std::uint64_t n = whole + (fraction > 0.5 ? 1 : 0);
  if (n == 0) return false;
  const RegionalSettings& settings = CurrentRegionalSettings();
  const std::string_view group =
      shape.grouping ? std::string_view(settings.thousandsSeparator) : std::string_view();
  const std::string_view decimal = settings.decimalSeparator;
  if (group.size() > kMostDirectSeparatorBytes || decimal.size() > kMostDirectSeparatorBytes)
    return false;
  // Written from the end: decimals, separator, then the integer digits with a
  // group separator before every third; at most 12 digits, so 4 separators.
  std::array<char, 1 + 12 + 4 * kMostDirectSeparatorBytes + kMostDirectSeparatorBytes +
                       kMostDirectDecimals>
      text;
  char* const end = text.data() + text.size();
  char* p = end;
  const std::uint64_t unit = kUnits[static_cast<std::size_t>(decimals)];
  std::uint64_t integer = n / unit;
  if (decimals > 0) {
    std::uint64_t rest = n % unit;
    for (int q = 0; q < decimals; ++q) {
      *--p = static_cast<char>('0' + rest % 10);
      rest /= 10;
    }
    p = PutBefore(decimal, p);
  }
  int inGroup = 0;
  do {
    if (inGroup == 3) {
      if (!group.empty()) p = PutBefore(group, p);
      inGroup = 0;
    }
    *--p = static_cast<char>('0' + integer % 10);
    integer /= 10;
    ++inGroup;
  } while (integer != 0);
  if (withSign && std::signbit(value)) *--p = '-';
  out.append(p, static_cast<std::size_t>(end - p));
  return true;
}

// General form of an extended value; a magnitude beyond the double range is
// written as an infinity.
void AppendGeneralOf(long double value, std::string& out) {
  if (std::isfinite(value) && std::fabs(value) > std::numeric_limits<double>::max())
    value = std::copysign(std::numeric_limits<long double>::infinity(), value);
  AppendGeneral(static_cast<double>(value), out);
}

}  // namespace

NumberPattern::NumberPattern(std::string code) : code_(std::move(code)) {
  if (code_.size() > kMaxNumberPatternLength) {
    tooLong_ = true;
    return;
  }
  // The first three ";"-separated sections; quoted ";" do not separate.
  std::size_t index = 0;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < code_.size() && index < kSectionSlots) {
    if (IsQuote(code_[i])) {
      i = SkipQuoted(code_, i);
    } else if (code_[i] == ';') {
      sections_[index++] = Section{start, i - start, {}};
      start = ++i;
    } else {
      ++i;
    }
  }
  if (index < kSectionSlots) sections_[index] = Section{start, code_.size() - start, {}};
  for (std::size_t k = 0; k < kSectionSlots; ++k) sections_[k].shape = ScanSection(SectionText(k));
}

template <class Float>
void NumberPattern::AppendValue(Float value, std::string& out) const {
  if (tooLong_) throw ExtractionError("Format string too long");
  if (!std::isfinite(value) || sections_[kPositiveSection].length == 0) {
    AppendGeneralOf(value, out);
    return;
  }
  // The wanted section when it is present and not empty, else section 0.
  const auto serving = [this](std::size_t wanted) {
    return sections_[wanted].length == 0 ? kPositiveSection : wanted;
  };
  std::size_t section = serving(std::signbit(value) ? kNegativeSection
                                : value == 0         ? kZeroSection
                                                     : kPositiveSection);
  const NumberSectionShape* shape = &sections_[section].shape;
  if constexpr (std::is_same_v<Float, double>) {
    if (shape->fixedForm && AppendFixedFromProduct(value, *shape, section == kPositiveSection, out))
      return;
  }

  const int maxDecimals = shape->digitCount - shape->decimalPos;
  const DecimalDigits digits =
      shape->scientific ? ToDecimalDigits(value, shape->digitCount, kNoDecimalLimit)
                        : ToDecimalDigits(value, kFixedSignificantDigits, maxDecimals);
  if (!shape->scientific && digits.exponent > kFixedMaxExponent) {
    AppendGeneralOf(value, out);
    return;
  }
  if (digits.count == 0) {
    section = serving(kZeroSection);
    shape = &sections_[section].shape;
  }

  if (digits.negative && section == kPositiveSection) out.push_back('-');
  SectionWriter(*shape, digits, out).Write(SectionText(section));
}

void NumberPattern::Append(long double value, std::string& out) const { AppendValue(value, out); }

void NumberPattern::Append(double value, std::string& out) const { AppendValue(value, out); }

void FormatNumberPattern(std::string_view code, long double value, std::string& out) {
  NumberPattern(std::string(code)).Append(value, out);
}

}  // namespace tabulox
