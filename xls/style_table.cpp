#include "xls/style_table.h"

#include <algorithm>
#include <iterator>
#include <string_view>

#include "core/engine_text.h"
#include "numfmt/built_in_formats.h"
#include "numfmt/date_time_pattern.h"
#include "numfmt/general_format.h"
#include "numfmt/number_pattern.h"

namespace tabulox {
namespace {

struct BuiltInFormat {
  int index;
  const char* code;
};

constexpr BuiltInFormat kBuiltInFormats[] = {
    {0, ""},
    {1, "0"},
    {2, "0.00"},
    {3, "#,##0"},
    {4, "#,##0.00"},
    {5, "($#,##0_);($#,##0)"},
    {6, "($#,##0_);[Red]($#,##0)"},
    {7, "($#,##0.00_);($#,##0.00)"},
    {8, "($#,##0.00_);[Red]($#,##0.00)"},
    {9, "0%"},
    {10, "0.00%"},
    {11, "0.00E+00"},
    {12, "# ?/?"},
    {13, "# ?\?/?\?"},
    {14, "mm-dd-yy"},
    {15, "d-mmm-yy"},
    {16, "d-mmm"},
    {17, "mmm-yy"},
    {18, "h:mm AM/PM"},
    {19, "h:mm:ss AM/PM"},
    {20, "h:mm"},
    {21, "h:mm:ss"},
    {22, "m/d/yy h:mm"},
    {37, "(#,##0_);(#,##0)"},
    {38, "(#,##0_);[Red](#,##0)"},
    {39, "(#,##0.00_);(#,##0.00)"},
    {40, "(#,##0.00_);[Red](#,##0.00)"},
    {41, "_(* #,##0_);_(* (#,##0);_(* \"-\"_);_(@_)"},
    {42, "_($* #,##0_);_($* (#,##0);_($* \"-\"_);_(@_)"},
    {43, "_(* #,##0.00_);_(* (#,##0.00);_(* \"-\"??_);_(@_)"},
    {44, "_($* #,##0.00_);_($* (#,##0.00);_($* \"-\"??_);_(@_)"},
    {45, "mm:ss"},
    {46, "[h]:mm:ss"},
    {47, "mm:ss.0"},
    {48, "##0.0E+0"},
    {49, "@"},
};

void DeleteAll(std::string& text, char c) { std::erase(text, c); }

void ReplaceAll(std::string& text, char from, char to) {
  for (char& c : text)
    if (c == from) c = to;
}

void CutAtFirst(std::string& text, char c) {
  const auto pos = text.find(c);
  if (pos != std::string::npos) text.resize(pos);
}

// Deletes "[" through the next "]" while a "[" remains. A "[" without a "]"
// after it takes the rest of the code with it, so the loop always ends.
void DeleteBracketedParts(std::string& code) {
  for (;;) {
    const auto open = code.find('[');
    if (open == std::string::npos) return;
    const auto close = code.find(']', open);
    if (close == std::string::npos) {
      code.resize(open);
      return;
    }
    code.erase(open, close - open + 1);
  }
}

// True when the code holds the word General in any letter case, as writers
// spell it ("General", "GENERAL", "general").
bool HoldsGeneral(std::string_view code) {
  constexpr std::string_view kGeneral = "general";
  for (std::size_t at = 0; at + kGeneral.size() <= code.size(); ++at) {
    std::size_t i = 0;
    while (i < kGeneral.size() && (code[at + i] | 0x20) == kGeneral[i]) ++i;
    if (i == kGeneral.size()) return true;
  }
  return false;
}

bool IsBlankAfterTrim(std::string_view code) {
  for (char c : code)
    if (static_cast<unsigned char>(c) > 32) return false;
  return true;
}

void Store(StyleTable& styles, int formatIndex, FormatKind kind, std::string code) {
  // A number or percent code longer than the number patterns take is shown
  // in General form, rather than failing every cell that uses it.
  if ((kind == FormatKind::kNumber || kind == FormatKind::kPercent) && code.size() > kMaxNumberPatternLength)
    kind = FormatKind::kGeneral;
  FormatSlot& slot = styles.formats[static_cast<std::size_t>(formatIndex)];
  slot.kind = kind;
  slot.numberPattern = kind == FormatKind::kNumber || kind == FormatKind::kPercent
                           ? std::make_unique<const NumberPattern>(code)
                           : nullptr;
  slot.dateTimeTokens =
      kind == FormatKind::kDateTime ? std::make_unique<const DateTimeTokens>(code) : nullptr;
  slot.code = std::move(code);
}

}  // namespace

void InitStyleData(StyleTable& styles) {
  styles.xfs.clear();
  styles.shownFormats.Clear();
  if (!styles.initialized) {
    for (FormatSlot& slot : styles.formats) slot = FormatSlot{};
    for (const BuiltInFormat& row : kBuiltInFormats) ClassifyFormatCode(row.index, row.code, styles);
    styles.initialized = true;
    styles.changedSlots.clear();
    return;
  }
  std::vector<std::uint16_t> changed;
  changed.swap(styles.changedSlots);
  for (const std::uint16_t index : changed) {
    styles.formats[index] = FormatSlot{};
    const auto builtIn = std::find_if(std::begin(kBuiltInFormats), std::end(kBuiltInFormats),
                                      [&](const BuiltInFormat& row) { return row.index == index; });
    if (builtIn != std::end(kBuiltInFormats)) ClassifyFormatCode(index, builtIn->code, styles);
  }
  styles.changedSlots.clear();
}

bool ReadFormatRecord(ByteReader& in, std::uint16_t type, FormatRecord& format) {
  if (type != kRecordFormat) return false;
  format.recordType = type;
  format.formatIndex = in.u16le();
  format.charCount = in.u16le();
  format.flags = in.u8();
  format.code.clear();
  format.code.reserve(format.charCount);
  for (std::uint16_t i = 0; i < format.charCount; ++i)
    format.code.push_back(format.flags == 0 ? in.u8() : in.u16le());
  return true;
}

bool ReadXFRecord(ByteReader& in, std::uint16_t type, XfEntry& xf) {
  if (type != kRecordXF) return false;
  xf.fontIndex = in.u16le();
  xf.formatIndex = in.u16le();
  in.skip(16);
  return true;
}

void AddFormat(StyleTable& styles, const FormatRecord& format) {
  std::string code;
  code.reserve(format.code.size());
  for (char16_t unit : format.code) AppendUtf16Unit(code, unit);
  // The short date ids show in the regional form whatever code is stored.
  if (format.indexIsOrder || !IsRegionalFormatId(format.formatIndex))
    styles.shownFormats.SetCode(format.formatIndex, code);
  ClassifyFormatCode(format.formatIndex, std::move(code), styles);
}

int AddXF(StyleTable& styles, const XfEntry& xf) {
  styles.xfs.push_back(xf);
  return static_cast<int>(styles.xfs.size() - 1);
}

void ClassifyFormatCode(int formatIndex, std::string code, StyleTable& styles) {
  if (formatIndex < 0 || formatIndex >= kFormatSlotCount) return;
  styles.changedSlots.push_back(static_cast<std::uint16_t>(formatIndex));
  if (HoldsGeneral(code)) return;
  DeleteBracketedParts(code);
  for (char c : {'*', '@', '(', ')', '\\', '?'}) DeleteAll(code, c);
  ReplaceAll(code, '_', ' ');
  if (IsBlankAfterTrim(code)) return;
  if (code.find('m') != std::string::npos) {
    CutAtFirst(code, ';');
    DeleteAll(code, '"');
    Store(styles, formatIndex, FormatKind::kDateTime, std::move(code));
  } else if (code.find('a') != std::string::npos) {
    CutAtFirst(code, ';');
    DeleteAll(code, '"');
    ReplaceAll(code, 'a', 'd');
    Store(styles, formatIndex, FormatKind::kDateTime, std::move(code));
  } else if (code.find('%') != std::string::npos) {
    DeleteAll(code, '/');
    Store(styles, formatIndex, FormatKind::kPercent, std::move(code));
  } else {
    DeleteAll(code, '/');
    Store(styles, formatIndex, FormatKind::kNumber, std::move(code));
  }
}

void RenderNumber(const StyleTable& styles, std::int32_t xfIndex, double value, std::string& out) {
  if (xfIndex < 0 || static_cast<std::size_t>(xfIndex) >= styles.xfs.size()) {
    AppendGeneral(value, out);
    return;
  }
  const int f = styles.xfs[static_cast<std::size_t>(xfIndex)].formatIndex;
  if (f == 0 || f >= kFormatSlotCount) {
    AppendGeneral(value, out);
    return;
  }
  const FormatSlot& slot = styles.formats[static_cast<std::size_t>(f)];
  switch (slot.kind) {
    case FormatKind::kNumber:
      slot.numberPattern->Append(value, out);
      return;
    case FormatKind::kPercent:
      // Formed in extended precision and not rounded back to double.
      slot.numberPattern->Append(static_cast<long double>(value) * 100.0L, out);
      return;
    case FormatKind::kDateTime:
      slot.dateTimeTokens->Append(
          value, styles.dateSystem, out);
      return;
    case FormatKind::kGeneral:
      break;
  }
  AppendGeneral(value, out);
}

}  // namespace tabulox
