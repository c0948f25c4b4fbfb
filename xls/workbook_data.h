// Everything one .xls workbook yields before its text is laid out: the sheet
// list with each worksheet's cells, the shared strings and the style table. Owned by one conversion and released with it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/extraction_error.h"
#include "core/huge_pages.h"
#include "grid/hidden_lines.h"
#include "xls/biff_version.h"
#include "xls/code_page_strings.h"
#include "tabulox/tabulox.h"
#include "xls/style_table.h"

namespace tabulox {

enum class CellKind : std::uint8_t {
  kBlank = 0,
  kSharedString = 1,
  kNumber = 2,
  // A formula's numeric result.
  kFormulaResult = 3,
  // A cell whose text is kept apart from it: a LABEL or RSTRING string, or a
  // formula result held as text (the text of a string result, or nothing for
  // an empty result and result types not known).
  kText = 4,
  // A boolean (value 1 or 0) or an error (value the error code, [MS-XLS]
  // 2.5.10 BErr), a BOOLERR constant or a formula's result.
  kBoolean = 5,
  kError = 6,
};

// A span of WorksheetData::cellTexts.
struct TextSpan {
  std::uint32_t offset;
  std::uint32_t length;
};

// One cell. The XF index comes from an unsigned 16-bit field of the records
// and is kept at that width; a MULRK or MULBLANK record can place cells beyond
// column 65,535, and a binary workbook's rows reach 1,048,576, so column and
// row are wider. The cell takes 24 bytes either way.
struct CellData {
  std::uint32_t column = 0;
  std::uint32_t row = 0;
  std::uint16_t xfIndex = 0;
  CellKind kind = CellKind::kBlank;
  union {
    double value;               // CellKind::kNumber, CellKind::kFormulaResult, CellKind::kBoolean, CellKind::kError
    std::uint32_t stringIndex;  // CellKind::kSharedString
    TextSpan text;             // CellKind::kText
  };

  CellData() : value(0) {}
};

// No cell: cells are counted and found by 32-bit positions in a sheet's list.
inline constexpr std::uint32_t kNoCell = 0xFFFFFFFF;

// One worksheet while it is converted: its cells in the order of their records.
struct WorksheetData {
  // Its name as engine text, and the stream position of its BOF record (BIFF4:
  // of the record after its SHEETHDR).
  std::string name;
  std::uint32_t offset = 0;
  std::vector<CellData> cells;
  // The texts of CellKind::kText cells, one after the other.
  std::string cellTexts;
  // The rows its ROW records and the columns its COLINFO records hide.
  HiddenLines hiddenRows;
  HiddenLines hiddenColumns;
};

// The shared-string table: an ordered list of UTF-8 strings, index 0 first,
// kept one after the other in one text.
class XlsSharedStrings {
 public:
  std::size_t size() const { return ends_.size(); }
  std::string_view operator[](std::size_t index) const {
    const std::size_t begin = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(text_).substr(begin, ends_[index] - begin);
  }

  // The text that the next string is appended to; AddString ends that string.
  std::string& pendingText() { return text_; }
  void AddString() {
    if (text_.size() > kMostTextBytes) throw ExtractionError("shared strings too large");
    ends_.push_back(static_cast<std::uint32_t>(text_.size()));
  }
  // Drops what was appended after the last whole string.
  void DropPending() { text_.resize(ends_.empty() ? 0 : ends_.back()); }
  // Room for `strings` strings of about `textBytes` bytes of text in all.
  void reserve(std::size_t strings, std::size_t textBytes) {
    ends_.reserve(strings);
    text_.reserve(textBytes);
    AdviseHugePagesForRoom(text_);
  }
  std::size_t capacity() const { return ends_.capacity(); }

 private:
  // The ends are kept in 32 bits: half the memory to touch of a list that
  // grows by a few bytes of text per string.
  static constexpr std::size_t kMostTextBytes = 0xFFFFFFFF;

  std::string text_;
  std::vector<std::uint32_t> ends_;
};

// How a stream's cell records are laid out: BIFF8's, or an earlier version's
// (8-bit strings in a code page; BIFF2's cell attributes in place of an XF
// index; FORMULA record types of BIFF3 and BIFF4).
struct CellRecordFormat {
  BiffVersion version = BiffVersion::kBiff8;
  // The code page of 8-bit strings; set for every version before BIFF8.
  std::shared_ptr<const CodePageStrings> strings;
  // A BIFF2 stream without XF records: a cell's attributes give its format
  // index (bits 0-5 of their second byte), which is then its XF index, the
  // style table holding one XF per format index.
  bool biff2FormatInAttributes = false;
};

struct WorkbookData {
  // [MS-XLS] 2.4.265 SST: the count of all string uses (kept, not used) and
  // the count of strings in the table.
  std::int32_t totalStringCount = 0;
  std::int32_t uniqueStringCount = 0;
  XlsSharedStrings sharedStrings;
  // The worksheets in the order of their BOUNDSHEET records (names as engine
  // text), and where each one's records start. A workbook may list millions,
  // so the list holds no more than this.
  std::vector<SheetInfo> sheets;
  std::vector<std::uint32_t> sheetOffsets;
  StyleTable styles;
  CellRecordFormat records;
  // A BIFF4 workbook: each sheet substream holds its own FORMAT and XF
  // records, which the style table is filled from before its cells are read.
  bool stylesPerSheet = false;

  void AddSheet(std::string name, bool hidden, std::uint32_t offset) {
    sheets.push_back(SheetInfo{std::move(name), hidden});
    sheetOffsets.push_back(offset);
  }
};

}  // namespace tabulox
