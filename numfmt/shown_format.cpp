#include "numfmt/shown_format.h"

#include <cmath>

#include "numfmt/section_renderers.h"

namespace tabulox {
namespace {

bool IsGeneralCode(std::string_view code) {
  constexpr std::string_view kGeneral = "general";
  if (code.size() != kGeneral.size()) return code.empty();
  for (std::size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    const char lower = c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
    if (lower != kGeneral[i]) return false;
  }
  return true;
}

ShownValue AppendSection(const FormatSection& section, double magnitude, DateSystem system,
                         std::string& out) {
  switch (section.kind) {
    case SectionKind::kNumber:
    case SectionKind::kScientific:
      return AppendNumberSection(section, magnitude, out);
    case SectionKind::kFraction:
      return AppendFractionSection(section, magnitude, out);
    case SectionKind::kDateTime:
      return AppendDateTimeSection(section, magnitude, system, out);
    case SectionKind::kGeneral:
    case SectionKind::kLiteral:
      return AppendGeneralSection(section, magnitude, out);
    case SectionKind::kText:
      break;
  }
  return ShownValue::kOutOfRange;
}

}  // namespace

ShownFormat::ShownFormat(std::string_view code) : general_(IsGeneralCode(code)) {
  if (general_) return;
  const std::vector<std::string_view> parts = SplitFormatSections(code);
  for (const std::string_view part : parts) sections_.push_back(ReadFormatSection(part));
  // The 4th section is for text; so is a last section holding "@".
  if (sections_.size() == kMaxFormatSections || sections_.back().kind == SectionKind::kText) {
    textSection_ = ReadTextSection(parts.back());
    sections_.pop_back();
    hasTextSection_ = true;
  }
  for (std::size_t i = 0; i < sections_.size() && i < 2; ++i)
    conditional_ = conditional_ || sections_[i].condition.IsSet();
}

ShownFormat::Choice ShownFormat::Choose(double value) const {
  if (conditional_) return ChooseByCondition(value);
  switch (sections_.size()) {
    case 1:
      return {&sections_[0], value < 0};
    case 2:
      return {&sections_[value < 0 ? 1 : 0], false};
    default:
      return {&sections_[value > 0 ? 0 : value < 0 ? 1 : 2], false};
  }
}

// The first section whose condition holds; a section without a condition
// stands for the values the usual rules give it (the first for values >= 0
// when it is one of two, > 0 when one of three; the second for values < 0
// when a third follows, else for every value left); the third for what
// remains. A value no section takes goes to the first. Only the first section
// writes a minus sign, and not when its condition is "< 0" or "<= 0".
ShownFormat::Choice ShownFormat::ChooseByCondition(double value) const {
  const FormatSection& first = sections_[0];
  const bool firstHolds = first.condition.IsSet() ? first.condition.Holds(value)
                                                   : (sections_.size() >= 3 ? value > 0 : value >= 0);
  if (firstHolds) return {&first, value < 0 && !first.condition.SelectsNegatives()};
  if (sections_.size() >= 2) {
    const FormatSection& second = sections_[1];
    const bool secondHolds = second.condition.IsSet() ? second.condition.Holds(value)
                                                      : (sections_.size() < 3 || value < 0);
    if (secondHolds) return {&second, false};
  }
  if (sections_.size() >= 3) return {&sections_[2], false};
  return {&first, false};
}

void ShownFormat::AppendNumber(double value, DateSystem system, std::string& out) const {
  if (general_ || sections_.empty() || !std::isfinite(value)) {
    AppendGeneralShown(value, out);
    return;
  }
  const Choice choice = Choose(value);
  const FormatSection& section = *choice.section;
  if (section.kind == SectionKind::kText) {
    // A section for text shows a number in the General form.
    AppendGeneralShown(value, out);
    return;
  }
  const std::size_t start = out.size();
  ShownValue shown = ShownValue::kOutOfRange;
  // A date with a minus sign is out of range, except in the OpenDocument count,
  // where a negative serial is a date before its base; an elapsed time takes
  // the sign.
  const bool dated = section.kind == SectionKind::kDateTime && !section.elapsed;
  if (dated && system == DateSystem::kOpenDocument) {
    shown = AppendSection(section, value, system, out);
  } else if (!(choice.minus && dated)) {
    // The minus sign goes first; a value that shows as zero takes it back.
    if (choice.minus) out.push_back('-');
    shown = AppendSection(section, std::fabs(value), system, out);
    if (choice.minus && shown == ShownValue::kZero) out.erase(start, 1);
  }
  if (shown == ShownValue::kOutOfRange) {
    out.resize(start);
    AppendGeneralShown(value, out);
  }
}

void ShownFormat::AppendText(std::string_view text, std::string& out) const {
  if (hasTextSection_)
    AppendTextSection(textSection_, text, out);
  else
    out += text;
}

}  // namespace tabulox
