#include "xlsb/xlsb_worksheet.h"

#include <algorithm>
#include <string>

#include "core/byte_reader.h"
#include "xlsb/record_stream.h"
#include "xlsb/xlsb_records.h"

namespace tabulox {
namespace {

// BrtRowHdr: rw (4 bytes), ixfe (4), miyRw (2), a flags byte, then the byte
// whose bit 4 is fDyZero, the hidden row.
constexpr std::size_t kRowFlagsAt = 11;
constexpr std::uint8_t kRowHidden = 0x10;

// BrtColInfo: colFirst, colLast, coldx, ixfe (4 bytes each), then flags whose
// bit 0 is fHidden.
constexpr std::size_t kColumnFlagsAt = 16;

// A sheet's rows and columns ([MS-XLSB] 2.5.126 Rw, 2.5.19 Col); records
// beyond them are damaged and their cells left out.
constexpr std::uint32_t kRows = 0x100000;
constexpr std::uint32_t kColumns = 0x4000;

bool IsShortCell(std::uint32_t type) {
  return type >= xlsb::kShortBlank && type <= xlsb::kShortIsst;
}

bool IsCell(std::uint32_t type) {
  return type == xlsb::kCellRString || (type >= xlsb::kCellBlank && type <= xlsb::kShortIsst);
}

// Hands the cells of one part to the sink, row by row.
class WorksheetCells {
 public:
  WorksheetCells(StreamedCellSink& sink, bool skipHiddenRows)
      : sink_(sink), skipHiddenRows_(skipHiddenRows) {}

  void Record(const XlsbRecord& record) {
    // Rows and cells end with the sheet data: what follows is no cell, whatever
    // its record type (Excel writes a 9-byte record of type 1 in a future-record
    // block there).
    if (sheetDataEnded_) return;
    if (record.type == xlsb::kEndSheetData) {
      sheetDataEnded_ = true;
    } else if (record.type == xlsb::kRowHdr) {
      Row(record.payload);
    } else if (record.type == xlsb::kColInfo) {
      Columns(record.payload);
    } else if (IsCell(record.type)) {
      Cell(record.type, record.payload);
    }
  }

 private:
  void Row(std::span<const std::uint8_t> payload) {
    ByteReader in(payload);
    row_ = in.u32le();
    rowOutside_ = row_ >= kRows;
    rowHidden_ = skipHiddenRows_ && payload.size() > kRowFlagsAt &&
                 (payload[kRowFlagsAt] & kRowHidden) != 0;
    // Rows come in ascending order; a hidden row out of order hides no other.
    if (rowHidden_ && (hiddenRows_ == 0 || row_ > lastHiddenRow_)) {
      ++hiddenRows_;
      lastHiddenRow_ = row_;
    }
    rowBegins_ = true;
    nextColumn_ = 0;
  }

  void Columns(std::span<const std::uint8_t> payload) {
    ByteReader in(payload);
    const std::uint32_t first = in.u32le();
    const std::uint32_t last = in.u32le();
    in.seek(kColumnFlagsAt);
    const bool hidden = (in.u16le() & 1) != 0;
    if (hidden && !anyCell_ && first <= last) sink_.ColumnsHidden(first, last);
  }

  void Cell(std::uint32_t type, std::span<const std::uint8_t> payload) {
    ByteReader in(payload);
    CellData cell;
    cell.column = IsShortCell(type) ? nextColumn_ : in.u32le();
    // iStyleRef, 24 bits, then a flags byte.
    const std::uint32_t style = in.u32le() & 0xFFFFFF;
    cell.xfIndex = static_cast<std::uint16_t>(std::min<std::uint32_t>(style, 0xFFFF));
    ReadValue(type, in, cell);
    nextColumn_ = cell.column + 1;
    anyCell_ = true;
    if (rowHidden_ || rowOutside_ || cell.column >= kColumns) return;
    cell.row = row_ - std::min(row_, hiddenRows_);
    const bool beginsRow = rowBegins_;
    rowBegins_ = false;
    sink_.Cell(cell, beginsRow);
    if (cell.kind == CellKind::kText) sink_.CellText(text_);
  }

  void ReadValue(std::uint32_t type, ByteReader& in, CellData& cell) {
    switch (type) {
      case xlsb::kCellBlank:
      case xlsb::kShortBlank:
        cell.kind = CellKind::kBlank;
        return;
      case xlsb::kCellRk:
      case xlsb::kShortRk:
        cell.kind = CellKind::kNumber;
        cell.value = DecodeRK(in.u32le());
        return;
      case xlsb::kCellReal:
      case xlsb::kShortReal:
        cell.kind = CellKind::kNumber;
        cell.value = in.f64le();
        return;
      case xlsb::kFmlaNum:
        cell.kind = CellKind::kFormulaResult;
        cell.value = in.f64le();
        return;
      case xlsb::kCellBool:
      case xlsb::kShortBool:
      case xlsb::kFmlaBool:
        cell.kind = CellKind::kBoolean;
        cell.value = in.u8() != 0 ? 1 : 0;
        return;
      case xlsb::kCellError:
      case xlsb::kShortError:
      case xlsb::kFmlaError:
        cell.kind = CellKind::kError;
        cell.value = in.u8();
        return;
      case xlsb::kCellIsst:
      case xlsb::kShortIsst:
        cell.kind = CellKind::kSharedString;
        cell.stringIndex = in.u32le();
        return;
      case xlsb::kCellRString:
        in.skip(1);  // the RichStr's flags: runs and phonetic text follow the text
        [[fallthrough]];
      case xlsb::kCellSt:
      case xlsb::kShortSt:
      case xlsb::kFmlaString:
        cell.kind = CellKind::kText;
        text_.clear();
        xlsb::AppendWideString(in, text_);
        return;
      default:
        cell.kind = CellKind::kBlank;
        return;
    }
  }

  StreamedCellSink& sink_;
  const bool skipHiddenRows_;
  std::uint32_t hiddenRows_ = 0;  // hidden rows so far
  std::uint32_t lastHiddenRow_ = 0;
  std::uint32_t row_ = 0;
  std::uint32_t nextColumn_ = 0;
  bool rowHidden_ = false;
  bool rowOutside_ = false;  // a row number beyond the sheet
  bool rowBegins_ = true;
  bool anyCell_ = false;
  bool sheetDataEnded_ = false;
  std::string text_;
};

}  // namespace

void StreamXlsbWorksheet(const BlockSource& source, StreamedCellSink& sink, bool skipHiddenRows) {
  XlsbRecordStream records(source);
  WorksheetCells cells(sink, skipHiddenRows);
  XlsbRecord record;
  while (records.Next(record)) cells.Record(record);
}

}  // namespace tabulox
