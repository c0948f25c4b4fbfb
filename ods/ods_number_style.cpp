#include "ods/ods_number_style.h"

#include <algorithm>
#include <charconv>

#include "numfmt/regional_settings.h"
#include "ods/ods_content_walk.h"

namespace tabulox {
namespace {

int Count(std::string_view text, int fallback) {
  int value = 0;
  const auto [stop, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || stop != text.data() + text.size()) return fallback;
  return std::clamp(value, 0, 30);
}

bool IsLong(const OdsTag& tag) { return tag.Attribute("number:style") == "long"; }

// The calendar of the Japanese eras (Meiji, Taisho, Showa, Heisei, Reiwa).
bool IsJapaneseEraCalendar(const OdsTag& tag) { return tag.Attribute("number:calendar") == "gengou"; }

}  // namespace

void OdsNumberStyleBuilder::Begin(const OdsTag& tag) {
  const std::string_view local = tag.LocalName();
  code_.clear();
  percentage_ = local == "percentage-style";
  time_ = local == "time-style";
  takesText_ = false;
  symbolPending_ = false;
  inNumber_ = false;
  takesEmbeddedText_ = false;
  durationHours_ = time_ && tag.Attribute("number:truncate-on-overflow") == "false";
}

void OdsNumberStyleBuilder::AppendLiteral(std::string_view text, std::string& code) const {
  if (text.empty()) return;
  if (percentage_ && text == "%") {
    code += '%';
    return;
  }
  code += '"';
  for (const char c : text) {
    if (c == '"') {
      code += "\"\\\"\"";
    } else {
      code += c;
    }
  }
  code += '"';
}

void OdsNumberStyleBuilder::BeginNumber(const OdsTag& tag) {
  // Without a count of decimals the number shows as General does.
  if (!tag.HasAttribute("number:decimal-places") && tag.Attribute("number:grouping") != "true" &&
      Count(tag.Attribute("number:min-integer-digits"), 1) <= 1) {
    code_ += "General";
    return;
  }
  const int decimals = Count(tag.Attribute("number:decimal-places"), 0);
  const int minDecimals =
      std::min(decimals, Count(tag.Attribute("number:min-decimal-places"), decimals));
  const int minIntegers = Count(tag.Attribute("number:min-integer-digits"), 0);
  integers_.assign(static_cast<std::size_t>(std::max(minIntegers, 1)), '0');
  if (minIntegers == 0) integers_[0] = '#';
  if (tag.Attribute("number:grouping") == "true") {
    while (integers_.size() < 4) integers_.insert(integers_.begin(), '#');
    integers_.insert(integers_.size() - 3, 1, ',');
  }
  decimals_.clear();
  if (decimals > 0) {
    decimals_ += '.';
    decimals_.append(static_cast<std::size_t>(minDecimals), '0');
    decimals_.append(static_cast<std::size_t>(decimals - minDecimals), '#');
  }
  embedded_.clear();
  inNumber_ = true;
}

void OdsNumberStyleBuilder::EndNumber() {
  inNumber_ = false;
  // Texts further left first, so that the positions of those right of them hold.
  std::stable_sort(embedded_.begin(), embedded_.end(),
                   [](const auto& a, const auto& b) { return a.first > b.first; });
  std::string integers = integers_;
  for (const auto& [position, text] : embedded_) {
    std::string literal;
    AppendLiteral(text, literal);
    // After `position` digits counted from the right of the integer part,
    // which gets optional digits up to there.
    std::size_t at = integers.size();
    for (int digits = 0; digits < position;) {
      if (at == 0) {
        integers.insert(integers.begin(), '#');
        ++at;
      }
      --at;
      if (integers[at] == '0' || integers[at] == '#') ++digits;
    }
    integers.insert(at, literal);
    // Digits beyond the last placeholder go left of the text ("1-2346").
    if (at == 0) integers.insert(integers.begin(), '#');
  }
  code_ += integers;
  code_ += decimals_;
}

void OdsNumberStyleBuilder::MarkJapaneseEras() {
  // The locale id under which "e" and "g" are the Japanese era's year and name.
  constexpr std::string_view kJapanese = "[$-411]";
  if (!code_.starts_with(kJapanese)) code_.insert(0, kJapanese);
}

void OdsNumberStyleBuilder::EndCurrencySymbol() {
  if (symbolPending_) AppendLiteral(CurrentRegionalSettings().currencySymbol, code_);
  symbolPending_ = false;
}

void OdsNumberStyleBuilder::Child(const OdsTag& tag) {
  const std::string_view local = tag.LocalName();
  takesText_ = false;
  EndCurrencySymbol();
  if (local == "number") {
    BeginNumber(tag);
  } else if (local == "scientific-number") {
    BeginNumber(tag);
    if (inNumber_) EndNumber();
    code_ += "E+";
    code_.append(static_cast<std::size_t>(std::max(Count(tag.Attribute("number:min-exponent-digits"), 2), 1)), '0');
  } else if (local == "fraction") {
    const int integers = Count(tag.Attribute("number:min-integer-digits"), 0);
    if (integers > 0 || tag.HasAttribute("number:min-integer-digits")) code_ += "# ";
    const std::size_t numerator =
        static_cast<std::size_t>(std::max(Count(tag.Attribute("number:min-numerator-digits"), 1), 1));
    code_.append(numerator, '?');
    code_ += '/';
    const std::string_view denominator = tag.Attribute("number:denominator-value");
    if (!denominator.empty() && Count(denominator, 0) > 0) {
      code_ += denominator;
    } else {
      code_.append(static_cast<std::size_t>(std::max(Count(tag.Attribute("number:min-denominator-digits"), 1), 1)), '?');
    }
  } else if (local == "text" || local == "currency-symbol") {
    takesText_ = true;
    symbolPending_ = local == "currency-symbol";
  } else if (local == "day") {
    code_ += IsLong(tag) ? "dd" : "d";
  } else if (local == "month") {
    const bool textual = tag.Attribute("number:textual") == "true";
    code_ += textual ? (IsLong(tag) ? "mmmm" : "mmm") : (IsLong(tag) ? "mm" : "m");
  } else if (local == "year" && IsJapaneseEraCalendar(tag)) {
    MarkJapaneseEras();
    code_ += IsLong(tag) ? "ee" : "e";
  } else if (local == "year") {
    code_ += IsLong(tag) ? "yyyy" : "yy";
  } else if (local == "era" && IsJapaneseEraCalendar(tag)) {
    // The era's name, or its initial.
    MarkJapaneseEras();
    code_ += IsLong(tag) ? "ggg" : "g";
  } else if (local == "day-of-week") {
    code_ += IsLong(tag) ? "dddd" : "ddd";
  } else if (local == "hours") {
    const std::string_view hours = IsLong(tag) ? "hh" : "h";
    if (durationHours_) {
      code_ += '[';
      code_ += hours;
      code_ += ']';
    } else {
      code_ += hours;
    }
  } else if (local == "minutes") {
    code_ += IsLong(tag) ? "mm" : "m";
  } else if (local == "seconds") {
    code_ += IsLong(tag) ? "ss" : "s";
    const int decimals = Count(tag.Attribute("number:decimal-places"), 0);
    if (decimals > 0) {
      code_ += '.';
      code_.append(static_cast<std::size_t>(decimals), '0');
    }
  } else if (local == "am-pm") {
    code_ += "AM/PM";
  } else if (local == "text-content") {
    code_ += '@';
  } else if (local == "boolean") {
    code_ += "\"TRUE\";\"TRUE\";\"FALSE\"";
  }
}

void OdsNumberStyleBuilder::Element(const OdsTag& tag, int depth) {
  if (depth == 1) {
    Child(tag);
  } else if (depth == 2 && inNumber_ && tag.LocalName() == "embedded-text") {
    embedded_.emplace_back(Count(tag.Attribute("number:position"), 0), std::string());
    takesEmbeddedText_ = true;
  }
}

void OdsNumberStyleBuilder::Text(std::string_view text) {
  if (takesEmbeddedText_) {
    embedded_.back().second += text;
  } else if (takesText_) {
    AppendLiteral(text, code_);
    symbolPending_ = symbolPending_ && text.empty();
  }
}

void OdsNumberStyleBuilder::EndElement(int depth) {
  if (depth == 2) takesEmbeddedText_ = false;
  if (depth != 1) return;
  takesText_ = false;
  EndCurrencySymbol();
  if (inNumber_) EndNumber();
}

}  // namespace tabulox
