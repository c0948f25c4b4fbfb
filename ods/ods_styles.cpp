#include "ods/ods_styles.h"

namespace tabulox {
namespace {

// Cell styles derived one from another deeper than this are taken as General.
constexpr int kMaxStyleChain = 32;

bool IsDataStyle(std::string_view local) {
  return local == "number-style" || local == "currency-style" || local == "percentage-style" ||
         local == "date-style" || local == "time-style" || local == "boolean-style" ||
         local == "text-style";
}

// The sign a style:map condition ("value()>=0") picks: '+' for the
// numbers from zero (or above it) up, '-' for those below, '0' for zero.
char ConditionSign(std::string_view condition) {
  if (condition.starts_with("value()")) condition.remove_prefix(7);
  if (condition == ">=0" || condition == ">0") return '+';
  if (condition == "<0" || condition == "<=0") return '-';
  if (condition == "=0") return '0';
  return ' ';
}

// The condition as a format code writes it ("[<=9999999]"), for a comparison
// of the value with a number; empty for any other condition.
std::string ConditionBracket(std::string_view condition) {
  if (!condition.starts_with("value()")) return {};
  condition.remove_prefix(7);
  std::size_t operatorLength = 0;
  while (operatorLength < condition.size() && operatorLength < 2 &&
         (condition[operatorLength] == '<' || condition[operatorLength] == '>' || condition[operatorLength] == '=' ||
          condition[operatorLength] == '!'))
    ++operatorLength;
  std::string_view number = condition.substr(operatorLength);
  if (operatorLength == 0 || number.empty()) return {};
  for (const char c : number)
    if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == 'E' || c == 'e' || c == '+')) return {};
  std::string comparison(condition.substr(0, operatorLength));
  if (comparison == "!=") comparison = "<>";
  if (comparison == "==") comparison = "=";
  return "[" + comparison + std::string(number) + "]";
}

}  // namespace

void OdsStyles::StartElement(const OdsTag& tag) {
  ++depth_;
  const std::string_view local = tag.LocalName();
  if (depth_ == 1) {
    open_ = Open::kOther;
    name_ = tag.Attribute("style:name");
    if (local == "style") {
      const std::string_view family = tag.Attribute("style:family");
      if (family == "table") {
        open_ = Open::kTableStyle;
      } else if (family == "table-cell") {
        open_ = Open::kCellStyle;
        CellStyle& style = cellStyles_[name_];
        style.parent = tag.Attribute("style:parent-style-name");
        style.dataStyle = tag.Attribute("style:data-style-name");
      }
    } else if (IsDataStyle(local)) {
      open_ = Open::kDataStyle;
      dataStyle_ = {};
      builder_.Begin(tag);
    }
    return;
  }
  if (open_ == Open::kTableStyle && local == "table-properties") {
    if (tag.Attribute("table:display") == "false") hiddenTableStyles_.insert(name_);
  } else if (open_ == Open::kDataStyle) {
    if (depth_ == 2 && local == "map") {
      dataStyle_.maps.emplace_back(tag.Attribute("style:condition"), std::string());
      dataStyle_.maps.back().second = tag.Attribute("style:apply-style-name");
    } else {
      builder_.Element(tag, static_cast<int>(depth_ - 1));
    }
  }
}

void OdsStyles::EndElement() {
  if (depth_ == 0) return;
  if (open_ == Open::kDataStyle) {
    if (depth_ >= 2) builder_.EndElement(static_cast<int>(depth_ - 1));
    if (depth_ == 1) {
      dataStyle_.code = builder_.Code();
      dataStyles_[name_] = std::move(dataStyle_);
    }
  }
  if (depth_ == 1) open_ = Open::kOther;
  --depth_;
}

void OdsStyles::Text(std::string_view text) {
  if (open_ == Open::kDataStyle && depth_ >= 2) builder_.Text(text);
}

bool OdsStyles::HidesTable(std::string_view name) const {
  return !name.empty() && hiddenTableStyles_.contains(std::string(name));
}

std::string OdsStyles::DataStyleCode(const std::string& name) const {
  const auto found = dataStyles_.find(name);
  if (found == dataStyles_.end()) return {};
  const DataStyle& style = found->second;
  std::string positive;
  std::string negative;
  std::string zero;
  // Sections under conditions of other values, in the order of the maps.
  std::string conditioned;
  int conditions = 0;
  for (const auto& [condition, applied] : style.maps) {
    const auto mapped = dataStyles_.find(applied);
    if (mapped == dataStyles_.end()) continue;
    switch (ConditionSign(condition)) {
      case '+':
        positive = mapped->second.code;
        break;
      case '-':
        negative = mapped->second.code;
        break;
      case '0':
        zero = mapped->second.code;
        break;
      default:
        if (const std::string bracket = ConditionBracket(condition); !bracket.empty() && conditions < 2) {
          conditioned += bracket + mapped->second.code + ";";
          ++conditions;
        }
        break;
    }
  }
  if (!conditioned.empty()) return conditioned + style.code;
  // A text style's own code is the section of texts, after those of numbers.
  if (style.code.find('@') != std::string::npos && !positive.empty() && !negative.empty() && !zero.empty())
    return positive + ";" + negative + ";" + zero + ";" + style.code;
  if (!positive.empty() && !negative.empty()) return positive + ";" + negative + ";" + style.code;
  if (!positive.empty()) return positive + ";" + style.code;
  if (!negative.empty()) return style.code + ";" + negative;
  return style.code;
}

std::vector<std::string> OdsStyles::CellStyleNames() const {
  std::vector<std::string> names;
  names.reserve(cellStyles_.size());
  for (const auto& [name, style] : cellStyles_) names.push_back(name);
  return names;
}

std::string OdsStyles::CellFormatCode(std::string_view name) const {
  std::string current(name.empty() ? std::string_view("Default") : name);
  for (int hop = 0; hop < kMaxStyleChain; ++hop) {
    const auto found = cellStyles_.find(current);
    if (found == cellStyles_.end()) return {};
    if (!found->second.dataStyle.empty()) return DataStyleCode(found->second.dataStyle);
    if (found->second.parent.empty()) return {};
    current = found->second.parent;
  }
  return {};
}

}  // namespace tabulox
