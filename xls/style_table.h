// The style table of one .xls conversion: 400 number-format slots filled from
// the built-in codes and the workbook's FORMAT records, and the XF list that
// cell records index. [MS-XLS] 2.4.126 FORMAT, 2.4.353 XF.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/byte_reader.h"
#include "numfmt/date_time_pattern.h"
#include "numfmt/number_pattern.h"
#include "numfmt/shown_format_table.h"

namespace tabulox {

enum class FormatKind : std::uint8_t {
  kGeneral = 0,
  kNumber = 2,
  kPercent = 3,
  kDateTime = 5,
};

inline constexpr int kFormatSlotCount = 400;

// One format slot: its rendering route, the code after classification, and
// the code read once for rendering (number and percent codes as a
// NumberPattern, date/time codes as DateTimeTokens, each held only by the
// slots of its kind: most of the 400 slots stay General, and a small slot
// keeps the table, made for every conversion, within a few pages).
struct FormatSlot {
  FormatKind kind = FormatKind::kGeneral;
  std::string code;
  std::unique_ptr<const NumberPattern> numberPattern;
  std::unique_ptr<const DateTimeTokens> dateTimeTokens;
};

// One XF record; only the format index is used.
struct XfEntry {
  std::uint16_t fontIndex = 0;
  std::uint16_t formatIndex = 0;
};

struct StyleTable {
  std::array<FormatSlot, kFormatSlotCount> formats;
  // The workbook's format codes as read, for the as-shown layout.
  ShownFormatTable shownFormats;
  std::vector<XfEntry> xfs;
  // How day serials count: k1904 after a DATEMODE record of 1 (or the
  // workbook's date1904), kOpenDocument for OpenDocument spreadsheets.
  DateSystem dateSystem = DateSystem::k1900;
  // Set once InitStyleData has filled every slot; the slots classified
  // since, which the next InitStyleData restores alone.
  bool initialized = false;
  std::vector<std::uint16_t> changedSlots;
};

// A FORMAT record as read.
struct FormatRecord {
  std::uint16_t recordType = 0;
  std::uint16_t formatIndex = 0;
  std::uint16_t charCount = 0;
  std::uint8_t flags = 0;
  std::u16string code;
  // BIFF2 to BIFF4: the index is the record's place among the FORMAT
  // records, not a format id, so built-in ids mean nothing there.
  bool indexIsOrder = false;
};

inline constexpr std::uint16_t kRecordFormat = 0x041E;
inline constexpr std::uint16_t kRecordXF = 0x00E0;

// Empties the XF list, resets every slot to General and classifies the
// built-in codes; the as-shown table goes back to its built-in codes. Once
// the table was filled, only the slots written since are restored, so that a
// workbook whose sheets each start their style table afresh (BIFF4) pays for
// the records each sheet holds, not for the whole table.
void InitStyleData(StyleTable& styles);

// Read a FORMAT / XF payload from `in`, positioned just after the record
// header. False, reading nothing, when `type` is not the record's type.
bool ReadFormatRecord(ByteReader& in, std::uint16_t type, FormatRecord& format);
bool ReadXFRecord(ByteReader& in, std::uint16_t type, XfEntry& xf);

// Classifies the record's code into its slot and gives it to the as-shown
// table as it stands.
void AddFormat(StyleTable& styles, const FormatRecord& format);
// Appends the entry; returns its position in the XF list.
int AddXF(StyleTable& styles, const XfEntry& xf);

// Reduces a format code to its rendering route and stores it in the slot, or
// leaves the slot as it was (codes holding "General", codes that are empty
// after the reduction, indices without a slot). A number or percent code
// longer than kMaxNumberPatternLength bytes after the reduction makes the slot
// General.
void ClassifyFormatCode(int formatIndex, std::string code, StyleTable& styles);

// Appends the text of a numeric cell with the given XF index: General form,
// the number pattern (percent: of the value times 100 in extended precision) or
// the date/time pattern of its format slot. Dates of 1904-system workbooks are
// moved onto the 1900 base.
void RenderNumber(const StyleTable& styles, std::int32_t xfIndex, double value, std::string& out);

}  // namespace tabulox
