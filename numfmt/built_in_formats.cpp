#include "numfmt/built_in_formats.h"

#include <array>
#include <string_view>

#include "numfmt/regional_format_codes.h"

namespace tabulox {
namespace {

constexpr int kShortDateId = 14;
constexpr int kShortDateTimeId = 22;

// Ids 0-49; 14 and 22 are regional and left empty here.
constexpr std::array<std::string_view, 50> kBuiltInCodes = {
    "General",
    "0",
    "0.00",
    "#,##0",
    "#,##0.00",
    "\"$\"#,##0_);\\(\"$\"#,##0\\)",
    "\"$\"#,##0_);[Red]\\(\"$\"#,##0\\)",
    "\"$\"#,##0.00_);\\(\"$\"#,##0.00\\)",
    "\"$\"#,##0.00_);[Red]\\(\"$\"#,##0.00\\)",
    "0%",
    "0.00%",
    "0.00E+00",
    "# ?/?",
    "# ?\?/?\?",
    "",
    "d-mmm-yy",
    "d-mmm",
    "mmm-yy",
    "h:mm AM/PM",
    "h:mm:ss AM/PM",
    "h:mm",
    "h:mm:ss",
    "",
    "General",  // 23-26: locale-dependent, shown as General
    "General",
    "General",
    "General",
    "", "", "", "", "", "", "", "", "", "",  // 27-36: mapped below
    "#,##0_);\\(#,##0\\)",
    "#,##0_);[Red]\\(#,##0\\)",
    "#,##0.00_);\\(#,##0.00\\)",
    "#,##0.00_);[Red]\\(#,##0.00\\)",
    "_(* #,##0_);_(* \\(#,##0\\);_(* \"-\"_);_(@_)",
    "_(\"$\"* #,##0_);_(\"$\"* \\(#,##0\\);_(\"$\"* \"-\"_);_(@_)",
    "_(* #,##0.00_);_(* \\(#,##0.00\\);_(* \"-\"?\?_);_(@_)",
    "_(\"$\"* #,##0.00_);_(\"$\"* \\(#,##0.00\\);_(\"$\"* \"-\"?\?_);_(@_)",
    "mm:ss",
    "[h]:mm:ss",
    "mm:ss.0",
    "##0.0E+0",
    "@",
};

// The id of 0-49 whose code a locale-dependent or East Asian id shows with,
// or -1.
int MappedId(int id) {
  if ((id >= 27 && id <= 31) || id == 36 || (id >= 50 && id <= 58)) return kShortDateId;
  if (id >= 32 && id <= 35) return 21;  // times
  if (id >= 59 && id <= 62) return id - 58;  // 1-4
  if (id >= 63 && id <= 66) return id - 58;  // 5-8
  if (id >= 67 && id <= 68) return id - 58;  // 9-10
  if (id >= 69 && id <= 70) return id - 57;  // 12-13
  if (id >= 71 && id <= 72) return kShortDateId;
  if (id >= 73 && id <= 75) return id - 58;  // 15-17
  if (id >= 76 && id <= 78) return id - 56;  // 20-22
  if (id >= 79 && id <= 81) return id - 34;  // 45-47
  return -1;
}

}  // namespace

std::string BuiltInFormatCode(int id) {
  if (id >= 50 || (id >= 27 && id <= 36)) {
    const int mapped = MappedId(id);
    return mapped < 0 ? std::string() : BuiltInFormatCode(mapped);
  }
  if (id < 0) return {};
  if (id == kShortDateId) return RegionalShortDateCode();
  if (id == kShortDateTimeId) return RegionalShortDateCode() + " h:mm";
  return std::string(kBuiltInCodes[static_cast<std::size_t>(id)]);
}

bool IsRegionalFormatId(int id) {
  const int shownAs = MappedId(id) < 0 ? id : MappedId(id);
  return shownAs == kShortDateId || shownAs == kShortDateTimeId;
}

}  // namespace tabulox
